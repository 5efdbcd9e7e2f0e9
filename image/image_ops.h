// What zmimage does to an image: lanes for 16- and 32-bit buses, byte order, a chip's size,
// a window and a shift of the addresses. Each returns false with `error` saying why.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/memory_image.h"

// Lane l of `lanes` takes every lanes-th unit of `width` bytes, from unit l on, at addresses
// divided down so that each lane starts at its own 0.
std::vector<MemoryImage> SplitLanes(const MemoryImage &image, unsigned lanes, unsigned width);
MemoryImage Lane(const MemoryImage &image, unsigned lane, unsigned lanes, unsigned width);
// The inverse: the lanes woven together again.
bool MergeLanes(const std::vector<MemoryImage> &lanes, unsigned width, MemoryImage &merged, std::string &error);

// The bytes of each `width`-byte word (2 or 4) in the other order.
MemoryImage SwapBytes(const MemoryImage &image, unsigned width);

// Addresses from 0 up to `size` that the image does not hold get `fill`.
bool FillTo(MemoryImage &image, uint64_t size, uint8_t fill, std::string &error);
// Only [from, to) is kept.
MemoryImage Crop(const MemoryImage &image, uint32_t from, uint64_t to);
// Every address moved by `by`.
bool Move(MemoryImage &image, int64_t by, std::string &error);

// The sums programmers show, and the CRC-32 of zip and Ethernet, over bytes in address
// order: the image's own, or with `size` the chip's from 0, what the image lacks as FF.
struct ImageSums {
    uint8_t sum8 = 0;
    uint16_t sum16 = 0;
    uint32_t crc32 = 0;
};
bool SumImage(const MemoryImage &image, uint64_t size, ImageSums &sums, std::string &error);
