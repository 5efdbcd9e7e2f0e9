#include "text_log.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

std::string WithPlatformLineEnds(const std::string &text)
{
#if defined(_WIN32)
    const char *end = "\r\n";
#else
    const char *end = "\n";
#endif
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n')
            out += end;
        else
            out += text[i];
    }
    return out;
}

bool TextLog::Open(const std::string &path, std::string &why)
{
    Close();
    // A device or a folder is no log: nothing is written to what is not a file.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        why = "not a regular file";
        return false;
    }
    // Binary: the line ends are made here, the same on every platform's C library.
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) {
        why = std::strerror(errno);
        return false;
    }
    path_ = path;
    return true;
}

void TextLog::Close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

void TextLog::Write(const std::string &text)
{
    if (!file_ || text.empty())
        return;
    const std::string out = WithPlatformLineEnds(text);
    std::fwrite(out.data(), 1, out.size(), file_);
    if (out.find('\n') != std::string::npos)
        std::fflush(file_);
}
