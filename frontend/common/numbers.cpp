// The lenient number readers of the settings and the uploads, and hex padding.
#include "numbers.h"

#include "format.h"

#include <algorithm>
#include <cstdio>

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Commas are thousands separators ("19,200"); a "-" anywhere makes the number negative.
// 32-bit arithmetic that wraps, done unsigned so that the wrap is defined.
int32_t ParseDecimal(const std::string &text)
{
    uint32_t value = 0;
    bool negative = false;
    for (const char c : text) {
        if (c == ',' || c == ' ')
            continue;
        if (c == '-')
            negative = true;
        else if (c >= '0' && c <= '9')
            value = value * 10u + static_cast<uint32_t>(c - '0');
        else
            break;
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

int32_t ParseHex(const std::string &text)
{
    uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}

std::string HexPadded(int32_t value, int width)
{
    // A negative width would left-justify: it pads nothing instead.
    std::string text = FormatGuarded("%*x", {std::clamp(width, 0, kMaxFieldWidth), value});
    std::replace(text.begin(), text.end(), ' ', '0');
    return text;
}
