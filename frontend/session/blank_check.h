// Blank check: is a range of the programmer's memory all FF? Read through upload hex's
// stream, which moves a third of the bytes the examine read does. zmcli's blank and the
// window's "blank check" both run it.
#pragma once

#include <cstdint>
#include <string>

#include "session.h"

struct BlankOutcome {
    TransferEnd end = TransferEnd::Completed;
    uint64_t total = 0;     // bytes of the range
    uint64_t received = 0;  // of those, how many the programmer sent
    uint64_t notBlank = 0;  // of those, how many are not FF
    uint32_t first = 0;     // the first that is not, and its value
    uint8_t firstValue = 0xFF;
    std::string error;      // why a completed read is no answer (a bad record)
};

BlankOutcome BlankCheck(Session &session, uint32_t start, uint32_t count);
// What a completed check found: "blank: N bytes FF", "not blank: first at ADDR (XX), M bytes
// not FF", or why there is no answer.
std::string BlankReport(const BlankOutcome &outcome);
// Blank, with nothing missing.
inline bool IsBlank(const BlankOutcome &outcome)
{
    return outcome.end == TransferEnd::Completed && outcome.error.empty() && outcome.notBlank == 0 &&
           outcome.received == outcome.total;
}
