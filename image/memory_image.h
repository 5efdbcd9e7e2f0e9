// What a chip or a file holds: runs of bytes at 32-bit addresses, apart from each other, and
// perhaps a start address. Adjacent runs are kept as one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

class MemoryImage {
public:
    using Runs = std::map<uint32_t, std::string>;  // first address to bytes; never empty runs

    // Puts `size` bytes at `address`. Bytes already there must be the same: otherwise nothing
    // is put and the first differing address is returned.
    std::optional<uint32_t> Put(uint32_t address, const char *bytes, size_t size);
    // Puts without the check: later bytes win.
    void Overwrite(uint32_t address, const char *bytes, size_t size);
    // The same, taking the bytes over without a copy when the image is empty.
    void Overwrite(uint32_t address, std::string &&bytes);

    const Runs &runs() const { return runs_; }
    bool Empty() const { return runs_.empty(); }
    uint32_t Lowest() const;           // 0 when empty
    uint64_t End() const;              // one past the highest address; 0 when empty
    uint64_t ByteCount() const;
    // The byte at `address`, if the image holds one.
    std::optional<uint8_t> At(uint32_t address) const;

    std::optional<uint32_t> start;     // the execution start address the file gave

private:
    // The run that holds `address` or ends right before it, else runs_.end().
    Runs::iterator Touching(uint32_t address);

    Runs runs_;
};
