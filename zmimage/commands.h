// zmimage's commands on images read whole: each returns the exit status and says on
// standard error what failed.
#pragma once

#include "command_line.h"

namespace image_status {
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotOpened = 3;
}  // namespace image_status

int RunImageCommand(const ImageOptions &options);
