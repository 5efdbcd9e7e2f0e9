// Placing bare file names in the current directory or beside the program.
#pragma once

#include <string>

// A bare file name is non-empty and has no directory separator.
bool IsBareName(const std::string &name);
std::string ProgramDir();
// The directory part of a path with its separator, empty for a bare name.
std::string DirectoryOf(const std::string &path);
// A regular file (or a link to one) exists at the path.
bool FileExists(const std::string &path);
void QualifyInCurrentDir(std::string &name);
void QualifyInProgramDir(std::string &name);
std::string QualifiedInProgramDir(const std::string &name);
// The folder of the user's own settings: $XDG_CONFIG_HOME/zmtools (by default
// ~/.config/zmtools), on Windows %APPDATA%\zmtools; empty when the environment names none.
std::string UserSettingsDir();
// `name` in that folder; empty when there is none.
std::string UserSettingsFile(const std::string &name);
