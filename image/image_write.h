// An image as the bytes of a file: a binary span, Intel hex or S-records (CR LF line ends,
// upper-case digits, the record layout morvel writes). Written in pieces to a sink, so that
// no whole text need be held; the sink returns false to stop (a failed write).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "image/memory_image.h"

using ByteSink = std::function<bool(const char *bytes, size_t size)>;

// The bytes from `base` up to `end`, what the image does not hold as `fill`.
bool WriteBinary(const MemoryImage &image, uint32_t base, uint64_t end, uint8_t fill, const ByteSink &sink);
std::string BinarySpan(const MemoryImage &image, uint32_t base, uint64_t end, uint8_t fill);

// Data records of at most `recordSize` (1 to 255) bytes, none across a 64 KiB boundary, an
// extended linear address record wherever the upper 16 bits change from the last (0 at
// first), a start address record when the image has one, then ":00000001FF".
bool WriteIntelHex(const MemoryImage &image, size_t recordSize, const ByteSink &sink);
std::string IntelHexText(const MemoryImage &image, size_t recordSize);

// The address width S-records need for the image: 2, 3 or 4 bytes (S1, S2 or S3).
size_t SRecordAddressBytes(const MemoryImage &image);
// An empty S0 header, S1, S2 or S3 data records of at most `recordSize` bytes (at most
// 252 with S1, 251 with S2, 250 with S3), an S5 or S6 count, and S9, S8 or S7 with the start.
// `width` address bytes when given (not fewer than the image needs), else as few as it needs.
bool WriteSRecords(const MemoryImage &image, size_t recordSize, const ByteSink &sink, size_t width = 0);
