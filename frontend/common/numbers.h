// The lenient number readers of the settings and the uploads, and hex padding.
#pragma once

#include <cstdint>
#include <string>

int32_t ParseDecimal(const std::string &text);
int32_t ParseHex(const std::string &text);
// The value of one hexadecimal digit in either case, -1 for any other character.
int HexDigitValue(char c);
// Hexadecimal of at least `width` digits (at most kMaxFieldWidth), padded with "0".
std::string HexPadded(int32_t value, int width);
