#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

#include "bytelayer.h"
#include "idlenotifier.h"

namespace {

// Runs the event loop until `done` holds or five seconds pass.
bool RunLoopUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    bool timedOut = false;
    QTimer::singleShot(5000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec();
    return !timedOut;
}

void RunLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(IdleNotifier, CallsTheHandlerWheneverTheLoopIdles)
{
    IdleNotifier idle;
    EXPECT_FALSE(idle.HasHandler());
    int calls = 0;
    idle.SetHandler([&] { ++calls; });
    EXPECT_TRUE(idle.HasHandler());
    // The notifier wakes nothing itself: the check's own timer keeps the loop waking.
    EXPECT_TRUE(RunLoopUntil([&] { return calls >= 5; }));

    idle.SetHandler({});
    EXPECT_FALSE(idle.HasHandler());
    const int before = calls;
    RunLoopFor(100);
    EXPECT_EQ(calls, before);
}

TEST(IdleNotifier, NeverNestsTheHandler)
{
    IdleNotifier idle;
    int depth = 0;
    int deepest = 0;
    int calls = 0;
    idle.SetHandler([&] {
        ++calls;
        deepest = std::max(deepest, ++depth);
        if (calls == 1)
            RunLoopFor(100);  // as a modal box would
        --depth;
    });
    EXPECT_TRUE(RunLoopUntil([&] { return calls >= 3; }));
    EXPECT_EQ(deepest, 1);
}

TEST(IdleNotifier, HandlerMayReplaceItself)
{
    IdleNotifier idle;
    std::string trail;
    const std::string big(1000, 'x');  // a capture that a destroyed handler would lose
    idle.SetHandler([&, big] {
        trail += "first" + big.substr(0, 0);
        idle.SetHandler([&] { trail += ",second"; });
        trail += big.substr(0, 0) + ";";
    });
    EXPECT_TRUE(RunLoopUntil([&] { return trail.find(",second") != std::string::npos; }));
    EXPECT_EQ(trail.rfind("first;,second", 0), 0u);
}

}  // namespace
