// The sums of what a transfer moved, as programmers show them and people write on the label.
#pragma once

#include <string>

#include "image/chip_parts.h"
#include "image/memory_image.h"

// "sum16 XXXX crc32 XXXXXXXX"; with a part, over the whole part with what the image lacks as
// FF, and said so. Empty when the image does not fit the part.
std::string SumsText(const MemoryImage &image, const ChipPart *part);
