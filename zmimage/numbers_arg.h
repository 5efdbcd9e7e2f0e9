// The numbers of zmimage's command line: addresses, bytes, and a chip's size.
#pragma once

#include <cstdint>
#include <string>

// Hexadecimal, "0x" allowed, the whole text, at most `limit`.
bool ParseHexArg(const std::string &text, uint64_t limit, uint64_t &value);
// Decimal, the whole text, from `low` to `high`.
bool ParseDecimalArg(const std::string &text, uint64_t low, uint64_t high, uint64_t &value);
// A chip's size in bytes: "32768", "0x8000", "32K", "1M", or a 27-series part ("27C256",
// "27512", "M27C4001"); digits that name a part (2716 to 27512) are the part. 1 byte to 4 GiB.
bool ParseChipSize(const std::string &text, uint64_t &size);
