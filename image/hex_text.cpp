#include "image/hex_text.h"

#include <algorithm>
#include <cstdio>

std::string HexUpper(uint64_t value, int width)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", std::clamp(width, 0, 16), static_cast<unsigned long long>(value));
    return text;
}
