// Millisecond deadlines and the calibrated busy wait.
#include "timing.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int32_t kShortestDeadlineMs = 60;
constexpr int32_t kCalibrationMs = 500;

bool calibrated = false;
int32_t loopsPerMs = 0;

}  // namespace

uint32_t Deadline::TickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void Deadline::ArmAt(uint32_t now, int32_t ms)
{
    start_ = now;
    duration_ = std::max(ms, kShortestDeadlineMs);
}

// The difference wraps with the tick counter, so a wrap between arming and testing is harmless.
bool Deadline::ExpiredAt(uint32_t now) const
{
    return static_cast<int32_t>(now - start_) >= duration_;
}

void Calibrate()
{
    if (calibrated)
        return;
    calibrated = true;
    int64_t passes = 0;
    Deadline deadline;
    deadline.Arm(kCalibrationMs);
    while (!deadline.Expired())
        ++passes;
    loopsPerMs = static_cast<int32_t>(std::min<int64_t>(passes / kCalibrationMs, INT32_MAX));
}

int32_t LoopsPerMs()
{
    return loopsPerMs;
}

// Each pass makes one deadline test, as the calibration did, so the passes measure the time.
// A negative duration never counts down to zero and ends at the cap.
void DelayMs(int32_t ms)
{
    if (ms == 0)
        return;
    Calibrate();
    int64_t passes = static_cast<int64_t>(loopsPerMs) * ms;
    if (ms > 0 && passes < 1)
        passes = 1;
    Deadline cap;
    cap.Arm(kLongestWaitMs);
    while (!cap.Expired()) {
        if (--passes == 0)
            return;
    }
}
