// One byte at a time to and from the programmer, the trace log of every byte, and timing.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "helpers.h"

struct ZM32OP;

struct LineState {
    bool pendingBreak = false;
    bool lineEnd = false;
};

// The value that names no character: CharName then only gives a pending line break.
constexpr int32_t kNoCharacter = -999;

// The display name of one byte ("<CR>", "<1A>", "(-1)", ...); -999 names no character.
std::string CharName(LineState &state, int32_t value, bool showSpace);

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

// Sends and receives through the port handle and traces both into the log named by `log`.
class ByteLayer {
public:
    ByteLayer(const intptr_t &portHandle, const ZM32OP &settings);
    ~ByteLayer();
    ByteLayer(const ByteLayer &) = delete;
    ByteLayer &operator=(const ByteLayer &) = delete;

    int32_t SendByte(uint8_t value);
    int32_t ReceiveByte();
    // When SendByte was last called.
    std::chrono::steady_clock::time_point LastSent() const { return lastSent_; }

    // Pieces longer than this are dropped.
    static constexpr size_t kMaxTracePiece = 2000;
    void TraceWrite(const std::string &format, const FormatArgs &args = {});
    void TraceRestart();
    void TraceClose();
    bool TraceIsOpen() const;

private:
    const intptr_t &port_;
    const ZM32OP &settings_;
    LineState traceState_;
    std::FILE *file_ = nullptr;
    bool disabled_ = false;
    std::optional<char> lastPrefix_;  // first character of the trace line being written
    std::chrono::steady_clock::time_point lastSent_;
};
