#include "settings_writer.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "paths.h"
#include "platform/file_replace.h"
#include "image/hex_text.h"
#include "profile.h"
#include "settings.h"
#include "text.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

struct Line {
    std::string text;
    std::string end;  // "\r\n", "\n", "\r", or none on a last line without one
};

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        const size_t cut = text.find_first_of("\r\n");
        if (cut == std::string_view::npos) {
            lines.push_back({std::string(text), ""});
            break;
        }
        const size_t endSize = text[cut] == '\r' && cut + 1 < text.size() && text[cut + 1] == '\n' ? 2 : 1;
        lines.push_back({std::string(text.substr(0, cut)), std::string(text.substr(cut, endSize))});
        text.remove_prefix(cut + endSize);
    }
    return lines;
}

// The file's own line end for lines added to it; the platform's for a file without one.
std::string LineEnd(const std::vector<Line> &lines)
{
    for (const Line &line : lines)
        if (!line.end.empty())
            return line.end;
#if defined(_WIN32)
    return "\r\n";
#else
    return "\n";
#endif
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// The entry line that reads back as exactly `key` and `value`: quoted where the reader would
// otherwise drop blanks or quotes of the value.
bool EntryText(const ProfileEdit &edit, std::string &line, std::string &error)
{
    if (HasLineBreak(edit.key) || HasLineBreak(edit.value) || HasLineBreak(edit.section)) {
        error = "a line break cannot be stored in [" + edit.section + "] " + edit.key;
        return false;
    }
    const std::string headerLine = "[" + edit.section + "]";
    if (edit.section.empty() || ReadProfileLine(headerLine).name != edit.section) {
        error = "\"" + edit.section + "\" cannot be stored as a section name";
        return false;
    }
    for (const std::string &candidate : {edit.key + "=" + edit.value, edit.key + "=\"" + edit.value + "\""}) {
        const ProfileLine entry = ReadProfileLine(candidate);
        if (entry.kind == ProfileLine::Kind::Entry && entry.name == edit.key && entry.value == edit.value) {
            line = candidate;
            return true;
        }
    }
    error = "\"" + edit.key + "\" cannot be stored as a key name";
    return false;
}

bool IsEntry(std::string_view text, const std::string &key)
{
    const ProfileLine read = ReadProfileLine(text);
    return read.kind == ProfileLine::Kind::Entry && SameTextIgnoringCase(read.name, key);
}

// A commented-out entry such as ";port=COM1".
bool IsCommentedEntry(const Line &line, const std::string &key)
{
    const size_t first = line.text.find_first_not_of(" \t");
    return first != std::string::npos && line.text[first] == ';' && IsEntry(line.text.substr(first + 1), key);
}

void Insert(std::vector<Line> &lines, size_t at, const std::string &text, const std::string &end)
{
    if (at > 0 && lines[at - 1].end.empty())
        lines[at - 1].end = end;
    lines.insert(lines.begin() + static_cast<long>(at), Line{text, end});
}

void Apply(std::vector<Line> &lines, const ProfileEdit &edit, const std::string &entry, const std::string &end)
{
    // The entry the reader takes: the first of that name in a section of that name.
    bool inside = false;
    size_t firstHeader = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        const ProfileLine read = ReadProfileLine(lines[i].text);
        if (read.kind == ProfileLine::Kind::Section) {
            inside = SameTextIgnoringCase(read.name, edit.section);
            if (inside && firstHeader == lines.size())
                firstHeader = i;
        } else if (inside && read.kind == ProfileLine::Kind::Entry && SameTextIgnoringCase(read.name, edit.key)) {
            // The name, its indentation and the blanks around "=" stay as the user wrote them.
            std::string &text = lines[i].text;
            const size_t equals = text.find('=');
            std::string kept;
            if (equals == std::string::npos) {
                kept = text.substr(0, text.find_last_not_of(" \t") + 1) + "=";
            } else {
                const size_t valueAt = text.find_first_not_of(" \t", equals + 1);
                kept = text.substr(0, valueAt == std::string::npos ? text.size() : valueAt);
            }
            text = kept + entry.substr(entry.find('=') + 1);
            return;
        }
    }
    if (firstHeader == lines.size()) {
        if (!lines.empty() && lines.back().text.find_first_not_of(" \t") != std::string::npos)
            Insert(lines, lines.size(), "", end);
        Insert(lines, lines.size(), "[" + edit.section + "]", end);
        Insert(lines, lines.size(), entry, end);
        return;
    }
    size_t at = firstHeader + 1;
    for (size_t i = firstHeader + 1; i < lines.size(); ++i) {
        const ProfileLine read = ReadProfileLine(lines[i].text);
        if (read.kind == ProfileLine::Kind::Section)
            break;
        if (IsCommentedEntry(lines[i], edit.key)) {
            at = i + 1;
            break;
        }
        if (read.kind == ProfileLine::Kind::Entry)
            at = i + 1;
    }
    Insert(lines, at, entry, end);
}

bool ReadWhole(const std::string &path, std::string &text, std::string &why)
{
    std::error_code ec;
    if (fs::file_size(path, ec) > ProfileFile::kMaxBytes && !ec) {
        why = "it is larger than a settings file can be";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "it cannot be read (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        why = "it cannot be read (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    return true;
}

}  // namespace

bool EditProfileText(std::string &text, const std::vector<ProfileEdit> &edits, std::string &error)
{
    std::vector<std::string> entries;
    for (const ProfileEdit &edit : edits) {
        std::string entry;
        if (!EntryText(edit, entry, error))
            return false;
        entries.push_back(entry);
    }
    const bool bom = std::string_view(text).substr(0, kBom.size()) == kBom;
    std::vector<Line> lines = SplitLines(std::string_view(text).substr(bom ? kBom.size() : 0));
    const std::string end = LineEnd(lines);
    for (size_t i = 0; i < edits.size(); ++i)
        Apply(lines, edits[i], entries[i], end);
    text = bom ? std::string(kBom) : std::string();
    for (const Line &line : lines)
        text += line.text + line.end;
    return true;
}

bool WriteSettingsFile(const std::string &path, const std::string &seedPath,
                       const std::vector<ProfileEdit> &edits, std::string &error)
{
    std::string why;
    const auto fail = [&](const std::string &cause) {
        error = "Cannot write the settings file " + path + ": " + cause;
        return false;
    };
    std::error_code ec;
    // A link is followed: the file it names is the one changed, the link stays.
    fs::path target = path;
    const fs::file_status link = fs::symlink_status(target, ec);
    if (fs::is_symlink(link)) {
        target = fs::canonical(target, ec);
        if (ec)
            return fail("it is a link to nothing (" + ec.message() + ")");
    }
    const fs::file_status status = fs::status(target, ec);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_regular_file(status))
        return fail("it is not a regular file");

    std::string text;
    if (exists) {
        if (!ReadWhole(target.string(), text, why))
            return fail(why);
    } else if (!seedPath.empty() && fs::is_regular_file(seedPath, ec)) {
        if (!ReadWhole(seedPath, text, why)) {
            error = "Cannot write the settings file " + path + " from " + seedPath + ": " + why;
            return false;
        }
    }
    if (!EditProfileText(text, edits, why))
        return fail(why);

    const fs::path folder = target.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec)
            return fail("its folder cannot be made (" + ec.message() + ")");
    }
    if (!ReplaceFileContents(target.string(), text, why))
        return fail(why);
    return true;
}

std::vector<ProfileEdit> PortSettingEdits(const PortChoice &choice, const std::string &section)
{
    const std::string com = "COM" + std::to_string(choice.port);
    std::vector<ProfileEdit> edits{{section, "port", com}};
    if (!choice.device.empty())
        edits.push_back({"ports", com, choice.device});
    return edits;
}

std::vector<ProfileEdit> LineSettingEdits(const ZM32OP &op, const std::string &section)
{
    std::vector<ProfileEdit> edits{{section, "baud", std::to_string(op.baud)},
                                   {section, "databits", std::to_string(op.databits)}};
    // Only the letters the settings file has a word for.
    const char parity = static_cast<char>(std::toupper(static_cast<unsigned char>(op.parity)));
    if (parity == 'N' || parity == 'O' || parity == 'E')
        edits.push_back({section, "parity", parity == 'N' ? "none" : parity == 'O' ? "odd" : "even"});
    if (op.stopbits == 0 || op.stopbits == 2 || op.stopbits == 3)
        edits.push_back({section, "stopbits", op.stopbits == 0 ? "1" : op.stopbits == 3 ? "1.5" : "2"});
    edits.push_back({section, "flow", op.flow == 1 ? "ctsrts" : op.flow == 2 ? "dtrdsr" : "none"});
    edits.push_back({section, "delayms", std::to_string(op.delayms)});
    edits.push_back({section, "reconnect", op.reconnect ? "1" : "0"});
    return edits;
}

std::vector<ProfileEdit> ChipSettingEdits(const ZM32OP &op, const std::string &section)
{
    return {{section, "chip", op.chip.empty() ? "none" : op.chip},
            {section, "uploadbinstart", HexUpper(uint32_t(op.uploadbinstart), 1)},
            {section, "uploadbinbytes", HexUpper(uint32_t(op.uploadbinbytes), 1)},
            {section, "uploadhexstop", HexUpper(uint32_t(op.uploadhexstop), 1)}};
}

std::string UserSettingsPath(const SettingsState &state)
{
    return UserSettingsFile(state.programStem + ".ini");
}

bool SaveUserSettings(const SettingsState &state, const std::vector<ProfileEdit> &edits, std::string &path,
                      std::string &error)
{
    path = UserSettingsPath(state);
    if (path.empty()) {
#if defined(_WIN32)
        error = "Cannot write the user's settings file: APPDATA is not set";
#else
        error = "Cannot write the user's settings file: neither XDG_CONFIG_HOME nor HOME is set";
#endif
        return false;
    }
    const std::string seed = state.noSettingsFile || state.settingsFileMissing ? std::string() : state.settingsPath;
    return WriteSettingsFile(path, seed, edits, error);
}
