// Keys written into any settings file: the reader then finds the new value, every other section
// reads as before, and a refused edit leaves the text as it was.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "profile.h"
#include "settings_writer.h"
#include "text.h"

namespace {

// The sections and entry names the reader sees, in file order.
std::vector<std::pair<std::string, std::string>> Names(const std::string &text)
{
    std::vector<std::pair<std::string, std::string>> names;
    std::string section;
    bool inSection = false;
    size_t from = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (from < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", from), text.size());
        const ProfileLine line = ReadProfileLine(std::string_view(text).substr(from, end - from));
        if (line.kind == ProfileLine::Kind::Section) {
            section = std::string(line.name);
            inSection = true;
        } else if (line.kind == ProfileLine::Kind::Entry && inSection) {
            names.push_back({section, std::string(line.name)});
        }
        from = end + 1;
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Section, key and value on the first three lines; the file after them.
    const std::string input(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> parts;
    size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t end = input.find('\n', from);
        if (end == std::string::npos)
            return 0;
        parts.push_back(input.substr(from, end - from));
        from = end + 1;
    }
    const ProfileEdit edit{parts[0], parts[1], parts[2]};
    const std::string original = input.substr(from);
    std::string text = original;
    std::string error;
    if (!EditProfileText(text, {edit}, error)) {
        if (text != original || error.empty())
            __builtin_trap();
        return 0;
    }
    const ProfileFile before = ProfileFile::Parse(original);
    const ProfileFile after = ProfileFile::Parse(text);
    if (after.Value(edit.section, edit.key) != edit.value)
        __builtin_trap();
    for (const auto &[section, key] : Names(original)) {
        if (SameTextIgnoringCase(section, edit.section) && SameTextIgnoringCase(key, edit.key))
            continue;
        if (before.Value(section, key) != after.Value(section, key))
            __builtin_trap();
        if (!SameTextIgnoringCase(section, edit.section) && before.EntryNames(section) != after.EntryNames(section))
            __builtin_trap();
    }
    return 0;
}
