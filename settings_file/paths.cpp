// Placing bare file names in the current directory or beside the program.
#include "paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/program_path.h"

namespace {

bool IsSeparator(char c)
{
#if defined(_WIN32)
    return c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string WithoutTrailingSeparator(std::string dir)
{
    if (!dir.empty() && dir.back() == kSeparator)
        dir.pop_back();
    return dir;
}

}  // namespace

std::string DirectoryOf(const std::string &path)
{
    const size_t cut = path.find_last_of(kSeparator);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

bool IsBareName(const std::string &name)
{
    if (name.empty())
        return false;
    for (const char c : name)
        if (IsSeparator(c))
            return false;
    return true;
}

bool FileExists(const std::string &path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::string ProgramDir()
{
    static const std::string dir = WithoutTrailingSeparator(DirectoryOf(ProgramPath()));
    return dir;
}

void QualifyInCurrentDir(std::string &name)
{
    if (!IsBareName(name))
        return;
    std::error_code error;
    const std::string cwd = std::filesystem::current_path(error).string();
    if (error)
        return;  // a directory that is gone has no name to put in front
    name = WithoutTrailingSeparator(cwd) + kSeparator + name;
}

void QualifyInProgramDir(std::string &name)
{
    if (IsBareName(name))
        name = ProgramDir() + kSeparator + name;
}

std::string QualifiedInProgramDir(const std::string &name)
{
    std::string qualified = name;
    QualifyInProgramDir(qualified);
    return qualified;
}

namespace {

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string UserSettingsDir()
{
#if defined(_WIN32)
    const std::string base = Environment("APPDATA");
    return base.empty() ? std::string() : WithoutTrailingSeparator(base) + "\\zmtools";
#else
    // A relative XDG_CONFIG_HOME is to be ignored, as an unset one is.
    const std::string config = Environment("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/')
        return WithoutTrailingSeparator(config) + "/zmtools";
    const std::string home = Environment("HOME");
    if (home.empty() || home.front() != '/')
        return {};
    return WithoutTrailingSeparator(home) + "/.config/zmtools";
#endif
}

std::string UserSettingsFile(const std::string &name)
{
    const std::string dir = UserSettingsDir();
    return dir.empty() ? std::string() : dir + kSeparator + name;
}
