#include "numbers_arg.h"

#include <cctype>
#include <map>

#include "text.h"

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

// Parts by the number after "27" and its letters: kilobits below 1000, else the maker's
// megabit names (010 is 1 Mbit; 1001 and 1024 too, by organisation).
uint64_t PartBytes(const std::string &number)
{
    static const std::map<std::string, uint64_t> kKilobits{
        {"16", 16}, {"32", 32}, {"64", 64}, {"128", 128}, {"256", 256}, {"512", 512},
        {"010", 1024}, {"1001", 1024}, {"1024", 1024}, {"020", 2048}, {"2001", 2048}, {"2048", 2048},
        {"040", 4096}, {"4001", 4096}, {"4096", 4096}, {"400", 4096}, {"080", 8192}, {"8001", 8192},
        {"800", 8192}, {"160", 16384}, {"1601", 16384}, {"322", 32768}, {"320", 32768}};
    const auto found = kKilobits.find(number);
    return found == kKilobits.end() ? 0 : found->second * 1024 / 8;
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

bool ParseChipSize(const std::string &given, uint64_t &size)
{
    const uint64_t kMost = uint64_t(1) << 32;
    const std::string text = LowerCase(given);
    size = 0;
    if (text.size() > 2 && text[0] == '0' && text[1] == 'x')
        return ParseHexArg(text, kMost, size) && size > 0;
    const char unit = text.empty() ? '\0' : text.back();
    if ((unit == 'k' || unit == 'm') && ParseDecimalArg(text.substr(0, text.size() - 1), 1, kMost, size)) {
        size <<= unit == 'k' ? 10 : 20;
        return size <= kMost;
    }
    // All digits: bytes, unless they name a part (2716 to 27512), which no one means as bytes.
    if (ParseDecimalArg(text, 1, kMost, size)) {
        if (text.size() >= 4 && text.compare(0, 2, "27") == 0 && PartBytes(text.substr(2)) != 0)
            size = PartBytes(text.substr(2));
        return true;
    }
    // A part name: the maker's letters, "27", the family's letters, the number, a suffix.
    const size_t family = text.find("27");
    if (family == std::string::npos)
        return false;
    for (size_t i = 0; i < family; ++i)
        if (!std::isalpha(static_cast<unsigned char>(text[i])))
            return false;
    size_t at = family + 2;
    while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])))
        ++at;
    size_t end = at;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    size = PartBytes(text.substr(at, end - at));
    return size > 0;
}
