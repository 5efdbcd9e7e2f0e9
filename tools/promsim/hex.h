// Hexadecimal text helpers shared by the record code and the command parser.
#pragma once

#include <cstdint>
#include <string>

namespace promsim {

// Value of one hex digit (either case), or -1.
inline int HexDigit(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Appends `value` as `digits` upper-case hex digits.
inline void AppendHex(std::string &out, uint32_t value, int digits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

inline std::string Hex(uint32_t value, int digits)
{
    std::string s;
    AppendHex(s, value, digits);
    return s;
}

// An address as the device shows it: at least four digits, more when needed.
inline std::string AddressText(uint32_t address)
{
    int digits = 4;
    while (digits < 8 && (address >> (digits * 4)) != 0)
        ++digits;
    return Hex(address, digits);
}

} // namespace promsim
