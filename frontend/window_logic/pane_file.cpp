#include "pane_file.h"

#include <filesystem>

#include "platform/file_replace.h"
#include "text_log.h"

bool SavePaneText(const std::string &path, const std::string &text, std::string &why)
{
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        why = "not a regular file";
        return false;
    }
    return ReplaceFileContents(path, WithPlatformLineEnds(text), why);
}
