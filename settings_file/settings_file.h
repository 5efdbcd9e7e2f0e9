// The settings file as every program of the set finds it, and its section of the user's parts.
#pragma once

#include <string>
#include <vector>

#include "image/chip_parts.h"

class ProfileFile;

// Where the settings file `name` is: as given when it is there (a bare name then in the current
// directory), else a bare name in the user's settings folder when it is there, else beside the
// program.
std::string FindSettingsFile(const std::string &name);

// The user's parts of the [chips] section into `chips`; `origin` names the file. Returns the
// entries refused, each with why.
std::vector<std::string> ReadChipsSection(const ProfileFile &file, const std::string &origin, ChipTable &chips);
