// The terminal's text saved as a file: what the pane shows, UTF-8, the platform's line ends.
#pragma once

#include <string>

// Replaces `path` in one step (a new file beside it, then a rename); a path that is there and
// is not a regular file is left alone. False with the cause in `why`.
bool SavePaneText(const std::string &path, const std::string &text, std::string &why);
