#include "numbers_arg.h"

#include <cctype>

namespace {

bool AllDigits(const std::string &text, int base)
{
    if (text.empty() || text.size() > 16)
        return false;
    for (const char c : text)
        if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
            return false;
    return true;
}

}  // namespace

bool ParseHexArg(const std::string &text, uint64_t limit, uint64_t &value)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.erase(0, 2);
    if (!AllDigits(digits, 16))
        return false;
    value = std::stoull(digits, nullptr, 16);
    return value <= limit;
}

bool ParseDecimalArg(const std::string &text, uint64_t low, uint64_t high, uint64_t &value)
{
    if (!AllDigits(text, 10))
        return false;
    value = std::stoull(text);
    return value >= low && value <= high;
}
