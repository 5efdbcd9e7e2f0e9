// The programmer's memory as a file: loading the start image, saving atomically.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace promsim {

// Fills `memory` (already sized, erased) from a binary file.
// Returns an error text, empty on success; a file larger than the memory is refused.
std::string LoadImage(const std::string &path, std::vector<uint8_t> &memory);

// Writes the bytes to `path` through a temporary file and a rename, so that an interrupted
// save never leaves a half-written image; a path there that is no regular file is left alone.
// `what` names the bytes in the error text; empty on success.
std::string SaveImage(const std::string &path, const std::vector<uint8_t> &bytes, const std::string &what = "memory");

} // namespace promsim
