// The benchmarks' memory image: the same pseudo-random bytes on every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline std::string BenchImage(size_t size)
{
    std::string image;
    uint32_t x = 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        image += static_cast<char>(x >> 23);
    }
    return image;
}
