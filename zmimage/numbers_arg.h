// The numbers of zmimage's command line: addresses and bytes.
#pragma once

#include <cstdint>
#include <string>

// Hexadecimal, "0x" allowed, the whole text, at most `limit`.
bool ParseHexArg(const std::string &text, uint64_t limit, uint64_t &value);
// Decimal, the whole text, from `low` to `high`.
bool ParseDecimalArg(const std::string &text, uint64_t low, uint64_t high, uint64_t &value);
