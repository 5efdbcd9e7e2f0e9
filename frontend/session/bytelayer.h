// One byte at a time to and from the programmer, and the trace log of every byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "charname.h"
#include "format.h"

struct ZM32OP;

// Sends and receives through the port handle and traces both into the log named by `log`.
class ByteLayer {
public:
    ByteLayer(const intptr_t &portHandle, const ZM32OP &settings);
    ~ByteLayer();
    ByteLayer(const ByteLayer &) = delete;
    ByteLayer &operator=(const ByteLayer &) = delete;

    int32_t SendByte(uint8_t value);
    int32_t ReceiveByte();

    // Pieces longer than this are dropped.
    static constexpr size_t kMaxTracePiece = 2000;
    void TraceWrite(const std::string &format, const FormatArgs &args = {});
    void TraceRestart();
    void TraceClose();
    bool TraceIsOpen() const;

private:
    const intptr_t &port_;
    const ZM32OP &settings_;
    CharNameState traceState_;
    std::FILE *file_ = nullptr;
    bool disabled_ = false;
    std::optional<char> lastPrefix_;  // first character of the trace line being written
};
