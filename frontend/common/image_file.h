// What a file puts into the programmer's memory: Intel hex or Motorola S1 data records at
// their addresses (as dabrix reads them), or a binary image from a start address; and a
// binary image as the Intel hex records morvel writes for it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class ImageKind { ByContent, Records, Binary };

struct ImageFile {
    bool records = false;  // text of records rather than a binary image
    // Address to byte; every address the file defines, once (a later record wins).
    std::map<uint32_t, uint8_t> bytes;
    std::string content;  // the file as read
    uint32_t start = 0;   // a binary image's first address
};

// Reads `path`. Records: `bias` is subtracted from each address (bytes below it are skipped).
// Binary: its bytes from `start`. False with `error` naming why when it cannot be read.
bool LoadImageFile(const std::string &path, ImageKind kind, uint32_t bias, uint32_t start,
                   ImageFile &image, std::string &error);

// Whether text begins, after blanks, with ':' or 'S' and a record after it.
bool LooksLikeRecords(const std::string &content);

// The image's contiguous runs: first address and bytes.
struct ImageRun {
    uint32_t start;
    std::string bytes;
};
std::vector<ImageRun> ImageRuns(const ImageFile &image);

// `bytes` from `start` as 16-byte Intel hex records, upper case, CR LF, then ":00000001FF".
std::string IntelHexRecords(const std::string &bytes, uint32_t start);
