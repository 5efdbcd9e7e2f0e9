// A file only ever appended to, each write on the disk before it returns: the run's log.
#pragma once

#include <string>

namespace append_file {

// Opened (made when missing) for appending and nothing else; -1 with the cause in `error`.
int Open(const std::string &path, std::string &error);
// All of `text` at the end, then flushed to the disk; false with the cause in `error`.
bool Write(int fd, const std::string &text, std::string &error);
void Close(int fd);

}  // namespace append_file
