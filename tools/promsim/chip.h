// The simulated EPROM in the socket, and the chips an operator puts there one after another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace promsim {

struct ChipOptions {
    // Each "P" finds a newly inserted, erased chip.
    bool fresh = false;
    // Chips, counted in "P" commands from 1, that have one bit stuck at 0.
    std::set<uint64_t> bad;
};

class Chip {
public:
    Chip(size_t size, ChipOptions options);

    // The answers, without the line end before them.
    std::string Program(const std::vector<uint8_t> &memory);
    std::string Verify(const std::vector<uint8_t> &memory) const;

    const std::vector<uint8_t> &Cells() const { return cells_; }
    // The "P" commands so far: the number of the chip in the socket with --fresh-chips.
    uint64_t Programs() const { return programs_; }

private:
    struct StuckBit {
        size_t address;
        uint8_t mask;
    };

    static std::optional<StuckBit> StuckBitFor(const std::vector<uint8_t> &memory);

    std::vector<uint8_t> cells_;
    ChipOptions options_;
    uint64_t programs_ = 0;
    std::optional<StuckBit> stuck_;
};

} // namespace promsim
