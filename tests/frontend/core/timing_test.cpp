#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "bytelayer.h"
#include "waitpumping.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(Deadline, SignedDifferenceSurvivesTheTickWrap)
{
    struct Case {
        uint32_t start;
        int32_t ms;
        uint32_t now;
        bool expired;
    };
    const Case cases[] = {
        {0xFFFFFFF0u, 100, 0x00000053u, false}, {0xFFFFFFF0u, 100, 0x00000054u, true},
        {0xFFFFFFF0u, 100, 0xFFFFFFF0u, false}, {0x7FFFFFF0u, 100, 0x80000054u, true},
        {100, 10, 159, false},  {100, 10, 160, true},  // never shorter than 60 ms
        {100, 0, 159, false},   {100, -5, 160, true},  {100, 1000, 1099, false},
        {100, 1000, 1100, true}, {100, 1000, 99, false},  // a tick from before the arming
    };
    for (const Case &c : cases) {
        Deadline deadline;
        deadline.ArmAt(c.start, c.ms);
        EXPECT_EQ(deadline.ExpiredAt(c.now), c.expired) << std::hex << c.start << " " << c.now;
    }
}

TEST(Deadline, TenMillisecondsLastSixty)
{
    const auto start = Clock::now();
    Deadline deadline;
    deadline.Arm(10);
    while (!deadline.Expired()) {
    }
    EXPECT_GE(MsSince(start), 59);  // the tick truncates to whole milliseconds
}

TEST(DelayMs, ZeroNeedsNoCalibration)
{
    DelayMs(0);
    EXPECT_EQ(LoopsPerMs(), 0);
    DelayMs(1);  // the first real wait calibrates
    const int32_t loops = LoopsPerMs();
    EXPECT_GT(loops, 0);
    Calibrate();  // once per run
    EXPECT_EQ(LoopsPerMs(), loops);
}

TEST(WaitPumping, WindowKeepsWorking)
{
    QLineEdit edit;
    QPushButton stop("Stop");
    stop.show();
    bool stopped = false;
    QObject::connect(&stop, &QPushButton::clicked, [&] { stopped = true; });
    bool timerRan = false;
    QTimer::singleShot(5, [&] { timerRan = true; });
    QApplication::postEvent(&edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
    const QPointF inside(stop.rect().center());
    QApplication::postEvent(&stop, new QMouseEvent(QEvent::MouseButtonPress, inside, stop.mapToGlobal(inside),
                                                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QApplication::postEvent(&stop, new QMouseEvent(QEvent::MouseButtonRelease, inside, stop.mapToGlobal(inside),
                                                   Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    EXPECT_FALSE(WaitPumpingRunning());
    WaitPumping(100);
    EXPECT_FALSE(WaitPumpingRunning());
    EXPECT_TRUE(timerRan);
    EXPECT_EQ(edit.text(), "a");
    EXPECT_TRUE(stopped);
}

TEST(WaitPumping, NestedCallReturnsAtOnce)
{
    bool sawRunning = false;
    int64_t innerMs = -1;
    QTimer::singleShot(10, [&] {
        sawRunning = WaitPumpingRunning();
        const auto start = Clock::now();
        WaitPumping(10000);
        innerMs = MsSince(start);
    });
    const auto start = Clock::now();
    WaitPumping(200);
    EXPECT_TRUE(sawRunning);
    EXPECT_GE(innerMs, 0);
    EXPECT_LT(MsSince(start), 9000);  // the inner wait would have taken 10 s
}

TEST(WaitPumping, CappedAtTenSeconds)
{
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(500);
    const auto start = Clock::now();
    WaitPumping(20000);
    const int64_t elapsed = MsSince(start);
    EXPECT_GE(elapsed, 9999);
    EXPECT_LT(elapsed, 19000);
    EXPECT_GT(ticks, 0);
}

}  // namespace
