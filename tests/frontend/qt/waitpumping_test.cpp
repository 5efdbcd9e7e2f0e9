// The logic's pumping wait on the Qt window: the window keeps working while it lasts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "window_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A window without a session: the wait is the logic's, the loop the window's.
TForm_main &Form()
{
    static TForm_main form({"-i-"}, zmtest::ZmPath());
    static bool quiet = (FormProbe::Idle(form).SetHandler({}), true);  // no session start
    (void)quiet;
    return form;
}

void WaitPumping(int32_t ms)
{
    FormProbe::Host(Form()).WaitPumping(ms);
}

bool WaitPumpingRunning()
{
    return WindowLogicProbe::WaitPumpingRunning(FormProbe::Logic(Form()));
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

// The terminal does not drain during the wait: the bytes wait for whoever runs it.
TEST(WaitPumping, TerminalQuietMeanwhile)
{
    zmtest::PtyPeer peer;
    auto form = zmtest::StartOn(peer);
    ASSERT_TRUE(form->GetSession().IsOpen());
    peer.Write("during");
    FormProbe::Host(*form).WaitPumping(150);
    EXPECT_EQ(zmtest::PaneText(*form), "");
    EXPECT_TRUE(zmtest::PumpUntil([&] { return zmtest::PaneText(*form) == "during"; }));
}

}  // namespace
