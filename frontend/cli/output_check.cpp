#include "output_check.h"

#include <cstdio>
#include <filesystem>

bool CanWrite(const std::string &path)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    const bool existed = std::filesystem::exists(status);
    if (existed && !std::filesystem::is_regular_file(status))
        return !std::filesystem::is_directory(status);
    std::FILE *file = std::fopen(path.c_str(), "ab");
    if (!file)
        return false;
    std::fclose(file);
    if (!existed)
        std::remove(path.c_str());
    return true;
}
