#include "image/chip_parts.h"

#include <cctype>

#include "image/number_text.h"

namespace {

constexpr uint64_t K = 1024;

const ChipPart kBuiltIn[] = {
    // UV EPROMs, 24 to 32 pins.
    {"2708", 1 * K, 8, ""}, {"2716", 2 * K, 8, ""}, {"2732", 4 * K, 8, ""}, {"2764", 8 * K, 8, ""},
    {"27128", 16 * K, 8, ""}, {"27256", 32 * K, 8, ""}, {"27512", 64 * K, 8, ""},
    {"27C010", 128 * K, 8, ""}, {"27C020", 256 * K, 8, ""}, {"27C040", 512 * K, 8, ""}, {"27C080", 1024 * K, 8, ""},
    // 40 pins and more, 16 bits wide.
    {"27C1024", 128 * K, 16, ""}, {"27C2048", 256 * K, 16, ""}, {"27C4096", 512 * K, 16, ""},
    {"27C400", 512 * K, 16, ""}, {"27C800", 1024 * K, 16, ""}, {"27C160", 2048 * K, 16, ""},
    {"27C322", 4096 * K, 16, ""},
    // EEPROMs and flash in their sockets.
    {"28C16", 2 * K, 8, ""}, {"28C64", 8 * K, 8, ""}, {"28C256", 32 * K, 8, ""}, {"29C256", 32 * K, 8, ""},
    {"29C010", 128 * K, 8, ""}, {"29C020", 256 * K, 8, ""}, {"29C040", 512 * K, 8, ""},
    {"39SF010", 128 * K, 8, ""}, {"39SF020", 256 * K, 8, ""}, {"39SF040", 512 * K, 8, ""},
};

// Other names makers give the same parts, by key.
const char *const kAliases[][2] = {
    {"271001", "27010"}, {"272001", "27020"}, {"274001", "27040"}, {"278001", "27080"}, {"27320", "27322"},
};

bool Digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The name as compared: upper case, no speed grade, no "C" after the family's two digits.
std::string Key(const std::string &name)
{
    std::string key;
    for (const char c : name.substr(0, name.find('-')))
        if (c != ' ' && c != '\t')
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (key.size() >= 4 && Digit(key[0]) && Digit(key[1]) && key[2] == 'C' && Digit(key[3]))
        key.erase(2, 1);
    for (const auto &alias : kAliases)
        if (key == alias[0])
            return alias[1];
    return key;
}

}  // namespace

ChipTable::ChipTable() : parts_(std::begin(kBuiltIn), std::end(kBuiltIn)) {}

const ChipPart *ChipTable::Find(const std::string &name) const
{
    std::string key = Key(name);
    for (int pass = 0; pass < 2; ++pass) {
        // The user's parts come later and win.
        for (auto part = parts_.rbegin(); part != parts_.rend(); ++part)
            if (!key.empty() && Key(part->name) == key)
                return &*part;
        // A maker's letters before the number (M27C256, AM27C512).
        size_t letters = 0;
        while (letters < key.size() && std::isalpha(static_cast<unsigned char>(key[letters])))
            ++letters;
        if (letters == 0 || letters == key.size())
            break;
        key = Key(key.substr(letters));
    }
    return nullptr;
}

bool ChipTable::Add(const std::string &name, const std::string &value, const std::string &origin, std::string &error)
{
    ChipPart part{name, 0, 8, origin};
    std::string size = value;
    if (size.size() > 3 && size.compare(size.size() - 3, 3, "/16") == 0) {
        part.width = 16;
        size.erase(size.size() - 3);
    }
    if (name.empty() || name.find_first_of("-= \t") != std::string::npos) {
        error = "a part's name is letters and digits: \"" + name + "\"";
        return false;
    }
    if (!ParseChipSize(size, *this, part.bytes) || (part.width == 16 && part.bytes % 2 != 0)) {
        error = name + "=" + value + ": SIZE is bytes (32768), hex (0x8000), K or M (32K), or a part, and /16 for a 16-bit part";
        return false;
    }
    parts_.push_back(part);
    return true;
}

bool ParseChipSize(const std::string &given, const ChipTable &table, uint64_t &size)
{
    const uint64_t kMost = uint64_t(1) << 32;
    std::string text;
    for (const char c : given)
        text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size = 0;
    // Digits that name a part are the part: no one means 2716 bytes.
    if (const ChipPart *part = table.Find(given)) {
        size = part->bytes;
        return true;
    }
    // At most 16 digits, which a 64-bit size holds.
    std::optional<NumberRead> read;
    if (!text.empty() && (text.back() == 'k' || text.back() == 'm')) {
        read = ReadNumberText(std::string_view(text).substr(0, text.size() - 1), NumberForm::Decimal().AtMost(16));
        if (read && read->magnitude <= kMost)
            read->magnitude <<= text.back() == 'k' ? 10 : 20;
        else
            read.reset();
    } else {
        read = ReadNumberText(text, NumberForm::Decimal().ZeroX().AtMost(16));
    }
    size = read ? read->magnitude : 0;
    return read && size > 0 && size <= kMost;
}
