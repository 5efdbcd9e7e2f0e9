#include <gtest/gtest.h>

#include <chrono>

#include "timing.h"

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
    EXPECT_EQ(SpinTailUs(), 0);
    DelayMs(1);  // the first real wait calibrates
    EXPECT_GT(SpinTailUs(), 0);
    EXPECT_LE(SpinTailUs(), 1000);  // a fraction of a millisecond spins, the rest sleeps
}

// A pause may come out longer on a busy machine, but never shorter: the programmer needs it.
TEST(DelayMs, NeverShorterThanAsked)
{
    struct Case {
        int32_t ms;
        int repeats;
    };
    const Case cases[] = {{1, 200}, {2, 100}, {5, 40}, {60, 2}};
    for (const Case &c : cases) {
        for (int i = 0; i < c.repeats; ++i) {
            const auto start = Clock::now();
            DelayMs(c.ms);
            const auto took = Clock::now() - start;
            ASSERT_GE(took, std::chrono::milliseconds(c.ms)) << c.ms << " ms, pause " << i;
        }
    }
}

}  // namespace
