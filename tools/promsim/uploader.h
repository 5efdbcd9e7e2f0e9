// The "U" command: memory as record lines, produced a little at a time so that a
// large memory never sits in the output queue whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records.h"

namespace promsim {

class Uploader {
public:
    void Start(Format format, uint32_t from, size_t memorySize);
    // Appends records (each ended by CR) to `out` until about `budget` bytes were
    // added; after the last data record the end record. True when all is out.
    bool Produce(const std::vector<uint8_t> &memory, std::string &out, size_t budget);

private:
    Format format_ = Format::Intel;
    uint32_t next_ = 0;
    uint32_t upper_ = 0;    // Intel: the 64 KiB segment announced so far
    int addressBytes_ = 2;  // Motorola: S1 or S2 records
};

} // namespace promsim
