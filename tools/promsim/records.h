// Intel hex and Motorola S-record lines: checked reading and writing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace promsim {

enum class Format { Intel, Motorola };

struct Record {
    enum class Kind {
        Data,          // data bytes at `address`
        End,           // end of the transfer
        SegmentBase,   // Intel 02: later addresses are relative to `address`
        LinearBase,    // Intel 04: likewise
        Ignored,       // a well-formed record that carries nothing for memory
    };
    Kind kind = Kind::Ignored;
    uint32_t address = 0;
    std::vector<uint8_t> data;
};

// Result of reading one line. `error` is empty when the line is a good record.
struct ParsedRecord {
    Record record;
    std::string error;
};

// Reads one line (without its line end) as a record of the given format.
ParsedRecord ParseRecord(Format format, std::string_view line);

// True when the line looks like an end record of either format, well-formed or not.
bool LooksLikeEndRecord(std::string_view line);

// Record texts as sent by the upload, without line end.
std::string IntelData(uint16_t address, const uint8_t *data, size_t n);
std::string IntelLinearBase(uint16_t upper);
std::string IntelEnd();
// `addressBytes` is 2 (S1), 3 (S2) or 4 (S3).
std::string SData(int addressBytes, uint32_t address, const uint8_t *data, size_t n);
std::string SEnd(int addressBytes);

} // namespace promsim
