// The front-end's settings: built-in defaults, then the command line, then the settings file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "image/chip_parts.h"
#include "settings_file.h"

class ProfileFile;

struct ZM32OP {
    int32_t port = 1;
    int32_t baud = 2400;
    char parity = 'N';
    int32_t stopbits = 2;
    int32_t databits = 8;
    int32_t flow = 0;
    int32_t delayms = 0;
    bool upper = true;
    std::string helpText = "e(X)am\r\nIntel\r\nMotorola\r\nProgram\r\nTransfer\r\nUpload\r\nVerify";
    bool echo = true;
    std::string uploadoffset = "0";
    int32_t uploadhexstop = 0x400;
    int32_t uploadbinstart = 0;
    int32_t uploadbinbytes = 0x400;
    std::string log;
    // The part in the programmer's socket ("chip", empty for none); it sets the upload ranges.
    std::string chip;
    // A line that goes away is looked for again until it is back.
    bool reconnect = true;
    // Words a run of chips needs in the answers to "P" and "V" to pass them; empty: none.
    std::string programok;
    std::string verifyok;
    // The terminal: each received line stamped with the time; every byte shown as hex.
    bool timestamps = false;
    bool hexview = false;
};

// The port chosen for use: its number, and the device to store under it in [ports] (empty for
// none: the number opens it already).
struct PortChoice {
    int32_t port = 0;
    std::string device;
};

// The upload ranges that keys give (of the settings file, or a command's options), each only
// where it was given.
struct RangeKeys {
    std::optional<int32_t> uploadbinstart;
    std::optional<int32_t> uploadbinbytes;
    std::optional<int32_t> uploadhexstop;
};

// What LoadSettings leaves beside the record for the main window.
struct SettingsState {
    std::string programStem;
    std::string settingsSection;
    std::string settingsPath;
    bool noSettingsFile = false;
    bool settingsFileMissing = false;
    bool commandLineError = false;
    // The [ports] section of the settings file: "COMn=device" entries by port number.
    std::map<int32_t, std::string> portDevices;
    // The built-in parts and those of the [chips] section; the entries it refused, and why.
    ChipTable chips;
    std::vector<std::string> chipErrors;
    // The settings file's own range keys, for a part chosen later.
    RangeKeys fileRanges;
};

// Shows the command-line usage message; without one it is not shown.
using UsageReporter = std::function<void(const std::string &message)>;

// Fills `op` and `state` from the arguments (without the program name) and the settings file.
// `programPath` is the running program's path (its stem names the settings file and section).
void LoadSettings(ZM32OP &op, SettingsState &state, const std::vector<std::string> &args,
                  const std::string &programPath, const UsageReporter &reportUsage = {});

// The settings file's part of LoadSettings: the keys of `section`, then its "help" key. A
// "chip" that `chips` knows sets the ranges first, so that the file's range keys win over it.
void ReadSettingsFile(ZM32OP &op, const ProfileFile &file, const std::string &section,
                      const ChipTable &chips = ChipTable());
// A part sets the three ranges to the whole part (from 0, its size, its last address); a range
// key beats the part. Without a part, only the keys change the ranges.
void SetRanges(ZM32OP &op, const ChipPart *part, const RangeKeys &keys);
// The range keys of `section`: hexadecimal, one "$" allowed; an empty value is no key.
RangeKeys ReadRangeKeys(const ProfileFile &file, const std::string &section);
// The port number of "COMn" (any case, n from 1 without leading zeros); 0 for any other name.
int32_t ComPortNumber(const std::string &name);
// "none" and an empty name say that no part is chosen.
bool NamesNoChip(const std::string &name);
// The devices of the [ports] section; entries that name no port or no device are left out.
std::map<int32_t, std::string> ReadPortsSection(const ProfileFile &file);
