#include "profile.h"

#include <fstream>

#include "paths.h"
#include "text.h"

namespace {

std::string_view Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string_view Unquoted(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

ProfileFile ProfileFile::Load(const std::string &path)
{
    if (!FileExists(path))
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text;
    char chunk[1 << 16];
    while (text.size() < kMaxBytes && in.read(chunk, sizeof chunk).gcount() > 0)
        text.append(chunk, static_cast<size_t>(in.gcount()));
    return Parse(std::string_view(text).substr(0, kMaxBytes));
}

ProfileLine ReadProfileLine(std::string_view text)
{
    const std::string_view line = Trimmed(text);
    if (line.empty() || line.front() == ';')
        return {};
    if (line.front() == '[')
        return {ProfileLine::Kind::Section, Trimmed(line.substr(1, line.find(']') - 1)), {}};
    const size_t equals = line.find('=');
    const std::string_view name = Trimmed(line.substr(0, equals));
    if (name.empty())
        return {};
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : Unquoted(Trimmed(line.substr(equals + 1)));
    return {ProfileLine::Kind::Entry, name, value};
}

ProfileFile ProfileFile::Parse(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    ProfileFile file;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        const ProfileLine line = ReadProfileLine(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.kind == ProfileLine::Kind::Section)
            file.sections_.push_back({std::string(line.name), {}});
        else if (line.kind == ProfileLine::Kind::Entry && !file.sections_.empty())
            file.sections_.back().entries.push_back({std::string(line.name), std::string(line.value)});
    }
    return file;
}

std::optional<std::string> ProfileFile::Value(const std::string &section, const std::string &key) const
{
    for (const Section &s : sections_) {
        if (!SameTextIgnoringCase(s.name, section))
            continue;
        for (const Entry &e : s.entries)
            if (SameTextIgnoringCase(e.name, key))
                return e.value;
    }
    return std::nullopt;
}

std::vector<std::string> ProfileFile::EntryNames(const std::string &section) const
{
    std::vector<std::string> names;
    for (const Section &s : sections_)
        if (SameTextIgnoringCase(s.name, section))
            for (const Entry &e : s.entries)
                names.push_back(e.name);
    return names;
}
