// Writing keys into a settings file while every other line of it stays as it was.
#pragma once

#include <string>
#include <vector>

struct ProfileEdit {
    std::string section;
    std::string key;
    std::string value;
};

// Sets each key of `edits` in `text`: the entry the reader would find gets the new value, its
// name and indentation kept; a missing key goes after its commented-out line of the section or
// after the section's last entry; a missing section goes at the end. False, and why in `error`,
// for a name or value the file cannot hold as given; `text` is then unchanged.
bool EditProfileText(std::string &text, const std::vector<ProfileEdit> &edits, std::string &error);

// Makes the edits in the file at `path`. A file that is not there yet is made from the text of
// `seedPath` (the settings file in use; none when empty or missing), in a folder made for it.
// The new text replaces the old in one step, so a failure leaves the file as it was; false then,
// with a message naming the file and the cause in `error`.
bool WriteSettingsFile(const std::string &path, const std::string &seedPath,
                       const std::vector<ProfileEdit> &edits, std::string &error);

struct PortChoice;
struct SettingsState;
struct ZM32OP;

// The port key, and the [ports] entry when the choice stores a device.
std::vector<ProfileEdit> PortSettingEdits(const PortChoice &choice, const std::string &section);

// The keys of the line settings (baud, data format, flow, pause, reconnect) with the values of
// `op`, in section `section`, as the settings file writes them. The port is PortSettingEdits'.
std::vector<ProfileEdit> LineSettingEdits(const ZM32OP &op, const std::string &section);

// The chip and the three upload ranges of `op`, all four, so that the file reads back as they
// were chosen: a range key in the file would win over the chip key alone.
std::vector<ProfileEdit> ChipSettingEdits(const ZM32OP &op, const std::string &section);

// The user's own settings file of the program that `state` was loaded for; empty when the
// environment names no folder for it.
std::string UserSettingsPath(const SettingsState &state);
// Makes the edits in the user's own settings file, which, when new, starts as a copy of the file
// in use. Its path is left in `path`; false with the message in `error`.
bool SaveUserSettings(const SettingsState &state, const std::vector<ProfileEdit> &edits, std::string &path,
                      std::string &error);
