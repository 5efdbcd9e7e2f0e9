#include "program_path.h"

#include <filesystem>
#include <system_error>

std::string ProgramPath()
{
#if defined(__linux__)
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return self.string();
#endif
    return {};
}
