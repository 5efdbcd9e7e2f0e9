// Putting new contents into a file in one step.
#pragma once

#include <string>

// Writes `bytes` to a new file beside `path`, flushes it to the disk, gives it the permissions of
// the file it replaces, and renames it over `path`. False with the cause in `why`: the file at
// `path` is then as it was, and nothing is left beside it.
bool ReplaceFileContents(const std::string &path, const std::string &bytes, std::string &why);
