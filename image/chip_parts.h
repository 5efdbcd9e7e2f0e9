// The parts a programmer takes: name, size, bus width. The built-in table, and the user's own
// parts, looked up by name the way people write them (27c256-15 is a 27C256, 2764 a 27C64).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ChipPart {
    std::string name;
    uint64_t bytes = 0;
    unsigned width = 8;  // data bits: 8 or 16
    std::string origin;  // the file that added it; empty for a built-in part
};

class ChipTable {
public:
    ChipTable();  // the built-in parts
    // A table without any part.
    static ChipTable None()
    {
        ChipTable none;
        none.parts_.clear();
        return none;
    }

    // A user's part, NAME=SIZE or NAME=SIZE/16, SIZE as ParseChipSize takes it (another part's
    // name too). False with `error` saying why; a user's part replaces one of the same name.
    bool Add(const std::string &name, const std::string &value, const std::string &origin, std::string &error);

    // Case does not matter, a speed grade after "-" and a maker's letters before the number
    // are dropped, and "C" after the family's digits may be there or not.
    const ChipPart *Find(const std::string &name) const;
    const std::vector<ChipPart> &Parts() const { return parts_; }

private:
    std::vector<ChipPart> parts_;
};

// A chip's size in bytes: "32768", "0x8000", "32K", "1M", or a part's name ("27C256", "2708");
// digits that name a part are the part. 1 byte to 4 GiB.
bool ParseChipSize(const std::string &text, const ChipTable &table, uint64_t &size);
