// The command line of promsim.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "chip.h"
#include "transmitter.h"

namespace promsim {

struct Options {
    std::string link;
    std::string image;
    std::string save;
    std::string saveChips;
    std::string trace;
    size_t size = 0x2000;
    uint64_t rate = 0;
    std::chrono::milliseconds uploadDelay{3000};
    std::chrono::milliseconds programTime{0};
    ChipOptions chips;
    LineFaults faults;
    bool once = false;
    bool help = false;
};

constexpr size_t kMaxMemorySize = 0x1000000;

// Fills `options`; returns an error text, empty when the command line is good.
std::string ParseOptions(int argc, char **argv, Options &options);

// The --help text.
const char *HelpText();

} // namespace promsim
