// Ini-style settings files read the way the platform's profile functions read them:
// "[section]" lines, "name=value" entries, names matched in any case, blanks around names and
// values dropped, a value in double quotes loses them, lines starting with ";" are comments.
// Commas and backslashes are plain text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One line of such a file as the reader takes it.
struct ProfileLine {
    enum class Kind { Ignored, Section, Entry };
    Kind kind = Kind::Ignored;  // Ignored: blank, a comment
    // Views into the line given.
    std::string_view name;      // the section's or the entry's, without the blanks around it
    std::string_view value;     // an entry's, blanks and one pair of quotes dropped
};
ProfileLine ReadProfileLine(std::string_view line);

class ProfileFile {
public:
    // A file that is missing, unreadable or not a regular file reads as one without sections.
    // Only the first `kMaxBytes` are read: nothing a settings file needs lies further on.
    static ProfileFile Load(const std::string &path);
    static ProfileFile Parse(std::string_view text);
    static constexpr size_t kMaxBytes = 16u << 20;

    // The first entry of that name in the first section of that name that has it.
    std::optional<std::string> Value(const std::string &section, const std::string &key) const;
    // The names of every entry of the section, in file order (a line without "=" is an entry
    // named by its whole text).
    std::vector<std::string> EntryNames(const std::string &section) const;

private:
    struct Entry {
        std::string name;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    std::vector<Section> sections_;
};
