// Whole files as bytes, for tests that write inputs and check outputs.
#pragma once

#include <cstdint>
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

// Bytes that look random and are the same every run: a memory image for transfers.
inline std::string PseudoRandomImage(size_t size)
{
    std::string image;
    uint32_t x = 12345;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        image += static_cast<char>(x >> 23);
    }
    return image;
}

inline void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace zmtest
