// Whether an output path can be written, found out before anything is received for it.
#pragma once

#include <string>

// A regular file (or none yet) is opened for appending and a file made for the check alone is
// removed again; a device or FIFO is taken as writable, since opening one may wait or be seen.
bool CanWrite(const std::string &path);
