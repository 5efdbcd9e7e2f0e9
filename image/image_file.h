// What a file puts into the programmer's memory, as zmcli's download and verify take it: any
// image the reader reads, less a bias, perhaps one lane of a split image.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "image/image_read.h"

enum class ImageKind { ByContent, Records, Binary };

// One chip of a split image: lane `lane` of `lanes`, each taking every lanes-th byte.
struct ImageLane {
    unsigned lane = 0;
    unsigned lanes = 1;
};

enum class LoadOutcome { Loaded, Empty, Bad, NotOpened };

// Reads `path`: records (Intel hex or S-records, told by their first mark, or by a name such
// as fw.hex) or a binary image from `start`. `bias` is taken off every address (bytes below it are left out), then the
// lane is taken. `error` says why when not Loaded.
LoadOutcome LoadImageFile(const std::string &path, ImageKind kind, uint32_t bias, uint32_t start,
                          std::optional<ImageLane> lane, MemoryImage &image, std::string &error);
// The same of the file's text, read already; `path` names it in messages.
LoadOutcome LoadImageText(std::string content, const std::string &path, ImageKind kind, uint32_t bias,
                          uint32_t start, std::optional<ImageLane> lane, MemoryImage &image, std::string &error);
