#include "settings_file.h"

#include "paths.h"
#include "profile.h"

std::string FindSettingsFile(const std::string &name)
{
    std::string path = name;
    if (FileExists(path)) {
        QualifyInCurrentDir(path);
        return path;
    }
    if (IsBareName(name)) {
        const std::string user = UserSettingsFile(name);
        if (!user.empty() && FileExists(user))
            return user;
    }
    QualifyInProgramDir(path);
    return path;
}

std::vector<std::string> ReadChipsSection(const ProfileFile &file, const std::string &origin, ChipTable &chips)
{
    std::vector<std::string> refused;
    for (const std::string &name : file.EntryNames("chips")) {
        std::string error;
        if (!chips.Add(name, file.Value("chips", name).value_or(""), origin, error))
            refused.push_back(origin + ": [chips] " + error);
    }
    return refused;
}
