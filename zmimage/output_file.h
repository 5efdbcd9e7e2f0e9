// Writing an output whole, in place: a link is written through and stays a link, a device
// or FIFO is written to and never deleted, a regular file is truncated and written. A file
// that this program made and could not write whole is removed again.
#pragma once

#include <string>

#include "image/image_write.h"

enum class WriteOutcome { Written, NotOpened, Failed };

// What `produce` hands its sink, into `path` ("-" standard output).
WriteOutcome WriteOutputFile(const std::string &path, const std::function<bool(const ByteSink &)> &produce,
                             std::string &error);
