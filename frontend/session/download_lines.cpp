#include "download_lines.h"

#include "image/image_read.h"
#include "image/image_write.h"

DownloadLines DownloadLines::OfText(std::string text)
{
    return DownloadLines(std::move(text));
}

DownloadLines DownloadLines::OfImage(const MemoryImage &image)
{
    MemoryImage sent = image;
    sent.start.reset();
    return DownloadLines(IntelHexText(sent, 16));
}

DownloadLines DownloadLinesOf(std::string text, const std::string &path, const MemoryImage &image, bool ownLines)
{
    if (ownLines && FormatOfInput(text, path) == ImageFormat::IntelHex)
        return DownloadLines::OfText(std::move(text));
    return DownloadLines::OfImage(image);
}

bool DownloadLines::Next(std::string &line)
{
    line.clear();
    while (at_ < text_.size()) {
        const char c = text_[at_++];
        const bool afterCr = afterCr_;
        afterCr_ = c == '\r';
        if (c == '\n' && afterCr)
            continue;  // the LF of a CR LF
        if (c == '\r' || c == '\n')
            return true;
        line += c;
        if (line.size() >= kMaxLine)
            return true;
    }
    return !line.empty();
}
