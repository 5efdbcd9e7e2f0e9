// Writing an output whole, in place: a link is written through and stays a link, a device
// or FIFO is written to and never deleted, a regular file is truncated and written. A file
// that this program made and could not write whole is removed again.
#pragma once

#include <string>

enum class WriteOutcome { Written, NotOpened, Failed };

// `path` "-" is standard output.
WriteOutcome WriteOutputFile(const std::string &path, const std::string &bytes, std::string &error);
