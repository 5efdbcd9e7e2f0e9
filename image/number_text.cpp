#include "image/number_text.h"

#include <limits>

int DigitValue(char c, unsigned base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base != 16)
        return -1;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

namespace {

NumberRead Lenient(std::string_view text, const NumberForm &form)
{
    NumberRead number{0, false, form.base};
    for (const char c : text) {
        if (form.separators && (c == ',' || c == ' '))
            continue;
        if (form.sign && c == '-') {
            number.negative = true;
            continue;
        }
        const int digit = DigitValue(c, form.base);
        if (digit < 0)
            break;
        number.magnitude = number.magnitude * form.base + static_cast<uint64_t>(digit);
    }
    return number;
}

bool TakePrefix(std::string_view &text, std::string_view prefix, bool anyCase)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (text[i] != prefix[i] && !(anyCase && (text[i] | 0x20) == prefix[i]))
            return false;
    text.remove_prefix(prefix.size());
    return true;
}

}  // namespace

std::optional<NumberRead> ReadNumberText(std::string_view text, const NumberForm &form)
{
    if (!form.whole)
        return Lenient(text, form);
    if (form.blanks) {
        const size_t first = text.find_first_not_of(' ');
        text = first == std::string_view::npos ? std::string_view() : text.substr(first, text.find_last_not_of(' ') - first + 1);
    }
    NumberRead number{0, false, form.base};
    if (form.sign && !text.empty() && (text.front() == '-' || text.front() == '+')) {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // "0x" alone is no prefix: it is a text of digits that fails.
    if ((form.dollar && TakePrefix(text, "$", false)) || (form.zeroX && text.size() > 2 && TakePrefix(text, "0x", true)))
        number.base = 16;
    if (text.empty() || (form.mostDigits != 0 && text.size() > form.mostDigits))
        return std::nullopt;
    constexpr uint64_t kMost = std::numeric_limits<uint64_t>::max();
    for (const char c : text) {
        const int digit = DigitValue(c, number.base);
        if (digit < 0)
            return std::nullopt;
        const uint64_t d = static_cast<uint64_t>(digit);
        if (number.magnitude > (kMost - d) / number.base)
            return std::nullopt;
        number.magnitude = number.magnitude * number.base + d;
    }
    return number;
}
