#include "chip.h"

#include "hex.h"

namespace promsim {

namespace {

constexpr uint8_t kErasedByte = 0xFF;

std::string Mismatch(const char *what, size_t address, uint8_t chip, uint8_t memory)
{
    return std::string(what) + " failed at " + AddressText(uint32_t(address)) + ": chip " + Hex(chip, 2) +
           ", memory " + Hex(memory, 2);
}

} // namespace

Chip::Chip(size_t size, ChipOptions options) : cells_(size, kErasedByte), options_(std::move(options)) {}

// The lowest 1 bit of the first memory byte that has one: there a bit stuck at 0 always
// shows, unless memory is all 00.
std::optional<Chip::StuckBit> Chip::StuckBitFor(const std::vector<uint8_t> &memory)
{
    for (size_t i = 0; i < memory.size(); ++i) {
        if (memory[i] != 0)
            return StuckBit{i, uint8_t(memory[i] & -memory[i])};
    }
    return std::nullopt;
}

std::string Chip::Program(const std::vector<uint8_t> &memory)
{
    ++programs_;
    if (options_.fresh) {
        cells_.assign(memory.size(), kErasedByte);
        stuck_.reset();
    }
    if (options_.bad.count(programs_))
        stuck_ = StuckBitFor(memory);
    if (stuck_)
        cells_[stuck_->address] &= uint8_t(~stuck_->mask);
    // An EPROM cell can only go from 1 to 0; erasing is not the programmer's job.
    for (size_t i = 0; i < memory.size(); ++i) {
        cells_[i] &= memory[i];
        // A byte left FF is not written, so its stuck bit goes unnoticed until "V".
        bool unwrittenStuck = stuck_ && i == stuck_->address && memory[i] == kErasedByte;
        if (cells_[i] != memory[i] && !unwrittenStuck)
            return Mismatch("Program", i, cells_[i], memory[i]);
    }
    return "Program OK";
}

std::string Chip::Verify(const std::vector<uint8_t> &memory) const
{
    for (size_t i = 0; i < memory.size(); ++i) {
        if (cells_[i] != memory[i])
            return Mismatch("Verify", i, cells_[i], memory[i]);
    }
    return "Verify OK";
}

} // namespace promsim
