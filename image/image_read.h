// Reading an image: Intel hex (every record type), Motorola S-records (S0 to S9) or a binary
// file at a start address. Every record is checked; a fault names the file and the line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/memory_image.h"

enum class ImageFormat { ByContent, IntelHex, SRecord, Binary };

enum class ReadOutcome { Read, Bad, NotOpened };

struct ImageRead {
    MemoryImage image;
    ImageFormat format = ImageFormat::Binary;  // as it was told or found
    std::vector<std::string> warnings;          // doubts that are no fault, "FILE: what"
    size_t dataRecords = 0;                     // records that brought data (none for a binary)
};

// The format the content shows: a ':' and a hex digit, or an 'S' and a digit, after blanks;
// anything else is a binary image.
ImageFormat FormatOfContent(const std::string &content);
// The format a file's name says: .bin; .hex or .ihx; .s19 .s28 .s37 .srec or .mot; else ByContent.
ImageFormat FormatOfName(const std::string &path);
// An input's format: as the content shows, but records when the name says records, so that a
// file named fw.hex that holds something else is refused rather than taken for a binary image.
ImageFormat FormatOfInput(const std::string &content, const std::string &path);

// `content` as `format` says; `name` stands for the file in messages, `start` places a binary.
// Bad with `error` ("NAME:LINE: what") when a record is faulty.
ReadOutcome ParseImage(std::string content, const std::string &name, ImageFormat format,
                       uint32_t start, ImageRead &read, std::string &error);

// The whole file at `path` ("-" standard input), as it is, into `content`.
ReadOutcome ReadWholeFile(const std::string &path, std::string &content, std::string &error);

// ReadWholeFile, then ParseImage.
ReadOutcome ReadImage(const std::string &path, ImageFormat format, uint32_t start, ImageRead &read,
                      std::string &error);

// "Intel hex", "S-records" or "binary".
const char *FormatName(ImageFormat format);
