// zmimage's command line: a command, its files, and long options anywhere among them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/image_read.h"
#include "image/serial_stamp.h"

enum class OutputFormat { ByName, Binary, IntelHex, SRecord };

struct ImageOptions {
    std::string command;
    std::vector<std::string> files;  // inputs, then outputs, as the command has them
    ImageFormat inputFormat = ImageFormat::ByContent;
    uint32_t start = 0;              // a binary input's first address
    OutputFormat outputFormat = OutputFormat::ByName;
    std::optional<uint32_t> base;    // a binary output's first address
    uint8_t fill = 0xFF;             // a binary output's gaps
    size_t recordSize = 16;
    unsigned width = 0;              // 0 when not given
    uint64_t size = 0;               // 0 when not given
    uint8_t with = 0xFF;
    uint32_t from = 0;
    uint64_t to = 0;
    int64_t by = 0;
    // serial: the number, where, and as what.
    uint32_t at = 0;
    uint64_t value = 0;
    unsigned serialBytes = 4;
    SerialFormat serialFormat = SerialFormat::Le;
};

enum class ParseOutcome { Run, Help, Version, Error };

// Help and Version leave their text in `message` (for standard output), Error its reason.
ParseOutcome ParseImageArgs(const std::vector<std::string> &args, ImageOptions &options, std::string &message);

extern const char kImageUsage[];
