// Millisecond deadlines and the pause that sleeps and spins its tail.
#include "timing.h"

#include <algorithm>
#include <chrono>

#include "linewait.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCalibrationSleeps = 20;
// The tail is what a sleep overshoots plus this, within these bounds.
constexpr Clock::duration kTailMargin = std::chrono::microseconds(20);
constexpr Clock::duration kShortestTail = std::chrono::microseconds(30);
constexpr Clock::duration kLongestTail = std::chrono::microseconds(400);

bool calibrated = false;
Clock::duration spinTail = kLongestTail;

}  // namespace

uint32_t Deadline::TickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// A few short sleeps tell how late this machine wakes (timer slack, scheduling); the tail
// spins a little longer than that, so the sleep before it seldom overshoots the pause.
void Calibrate()
{
    if (calibrated)
        return;
    calibrated = true;
    Clock::duration latest{};
    for (int i = 0; i < kCalibrationSleeps; ++i) {
        const Clock::time_point until = Clock::now() + std::chrono::microseconds(500);
        linewait::SleepUntil(until);
        latest = std::max(latest, Clock::now() - until);
    }
    spinTail = std::clamp<Clock::duration>(latest + kTailMargin, kShortestTail, kLongestTail);
}

int32_t SpinTailUs()
{
    return calibrated ? static_cast<int32_t>(std::chrono::duration_cast<std::chrono::microseconds>(spinTail).count())
                      : 0;
}

// The tail adapts to how late the sleeps actually wake, so that a busy machine keeps the
// pauses on time and a quiet one spins less.
void DelayMs(int32_t ms)
{
    if (ms == 0)
        return;
    Calibrate();
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms > 0 ? std::min(ms, kLongestWaitMs)
                                                                                  : kLongestWaitMs);
    const Clock::time_point wake = end - spinTail;
    linewait::SleepUntil(wake);
    const Clock::duration late = Clock::now() - wake;
    spinTail = std::clamp<Clock::duration>((spinTail * 7 + late + kTailMargin) / 8, kShortestTail, kLongestTail);
    while (Clock::now() < end) {
    }
}
