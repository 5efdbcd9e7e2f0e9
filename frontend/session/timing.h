// Millisecond deadlines on a wrapping tick, and the calibrated pause between sent characters.
#pragma once

#include <cstdint>

// A millisecond deadline over a wrapping 32-bit tick; never shorter than 60 ms.
class Deadline {
public:
    static uint32_t TickCount();
    void Arm(int32_t ms) { ArmAt(TickCount(), ms); }
    bool Expired() const { return ExpiredAt(TickCount()); }
    void ArmAt(uint32_t now, int32_t ms);
    bool ExpiredAt(uint32_t now) const;

private:
    int32_t duration_ = 60;
    uint32_t start_ = 0;
};

// The longest DelayMs or a pumping wait lasts, whatever it is asked for.
constexpr int32_t kLongestWaitMs = 10000;

void Calibrate();
int32_t LoopsPerMs();
void DelayMs(int32_t ms);
