// The sums of what a transfer moved, as programmers show them and people write on the label.
#pragma once

#include <string>

#include "image/chip_parts.h"
#include "image/memory_image.h"
#include "session.h"

// "sum16 XXXX crc32 XXXXXXXX"; with a part, over the whole part with what the image lacks as
// FF, and said so. Empty when the image does not fit the part.
std::string SumsText(const MemoryImage &image, const ChipPart *part);

// The part the settings name, null for none; `known` false when no part has that name.
const ChipPart *ChipInUse(const Session &session, bool &known);

// Why `image` of the file `path` may not go to the part the settings name: "... past the
// 27256's last address 7FFF: nothing sent"; empty when it fits or no part is named.
std::string PastThePart(const Session &session, const std::string &path, const MemoryImage &image);

// Why `image` of the file `path` may not be downloaded: data that 16-bit addresses cannot reach,
// or past the part (PastThePart); empty when it may. Every front-end refuses by this.
std::string DownloadRefusal(const Session &session, const std::string &path, const MemoryImage &image);

// What an upload saved in `path`, as the range it read: upload hex's last record may pass the
// stop address. False when the file cannot be read back (a FIFO or a device would wait).
bool UploadedImage(const Session &session, const std::string &path, bool bin, MemoryImage &image);
