// Whole files as bytes, for tests that write inputs and check outputs.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace zmtest {

// Empty when the file cannot be read.
inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace zmtest
