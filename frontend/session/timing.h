// Millisecond deadlines on a wrapping tick, and the pause between sent characters.
#pragma once

#include <cstdint>

// A millisecond deadline over a wrapping 32-bit tick; never shorter than 60 ms. The
// difference wraps with the tick, so a wrap between arming and testing is harmless.
class Deadline {
public:
    // The millisecond tick (timing.cpp; the session's fuzz targets put a virtual one in place).
    static uint32_t TickCount();
    void Arm(int32_t ms) { ArmAt(TickCount(), ms); }
    bool Expired() const { return ExpiredAt(TickCount()); }
    void ArmAt(uint32_t now, int32_t ms)
    {
        start_ = now;
        duration_ = ms > kShortestMs ? ms : kShortestMs;
    }
    bool ExpiredAt(uint32_t now) const { return static_cast<int32_t>(now - start_) >= duration_; }
    // Milliseconds until it expires, 0 when it has.
    int32_t RemainingMs() const
    {
        const int32_t left = duration_ - static_cast<int32_t>(TickCount() - start_);
        return left > 0 ? left : 0;
    }

private:
    static constexpr int32_t kShortestMs = 60;
    int32_t duration_ = 60;
    uint32_t start_ = 0;
};

// The longest DelayMs or a pumping wait lasts, whatever it is asked for.
constexpr int32_t kLongestWaitMs = 10000;

// Measures once how late a sleep wakes on this machine: the length of the spinning tail that
// makes every pause end on time.
void Calibrate();
// The spinning tail in microseconds, 0 before the first calibration.
int32_t SpinTailUs();
// Sleeps most of `ms`, then spins the tail: never shorter than `ms`, and hardly longer.
// A negative duration lasts kLongestWaitMs, as does any longer one.
void DelayMs(int32_t ms);
