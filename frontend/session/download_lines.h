// What a download sends, line by line: a file's own text, or the Intel hex records made from an
// image. Read into memory before the first byte goes out, so nothing can fail while sending.
#pragma once

#include <cstdint>
#include <string>

#include "image/memory_image.h"

class DownloadLines {
public:
    // The text as it is: an Intel hex file sent as its lines, as zm32 sends it.
    static DownloadLines OfText(std::string text);
    // The image's data as 16-byte records and the end record; no start address.
    static DownloadLines OfImage(const MemoryImage &image);

    // A line ends at CR, at CR LF or at a lone LF, so that files from any system send the same
    // records; a last line without a line end counts too. A longer text goes out in pieces of
    // kMaxLine characters. False after the last line.
    bool Next(std::string &line);
    // How far the lines have come, in bytes of the text, and its whole size: the progress.
    int64_t Done() const { return static_cast<int64_t>(at_); }
    int64_t Size() const { return static_cast<int64_t>(text_.size()); }

    static constexpr size_t kMaxLine = 401;

private:
    explicit DownloadLines(std::string text) : text_(std::move(text)) {}
    std::string text_;
    size_t at_ = 0;
    bool afterCr_ = false;
};

// The lines a download of `image`, read from the file `path` whose text is `text`, sends: an Intel
// hex file's own lines when `ownLines`, as zm32 sends them, else records made from `image`.
DownloadLines DownloadLinesOf(std::string text, const std::string &path, const MemoryImage &image, bool ownLines);
