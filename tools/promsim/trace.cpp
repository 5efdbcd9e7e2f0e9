#include "trace.h"

#include <cerrno>
#include <cstring>

namespace promsim {

Trace::~Trace()
{
    if (!file_)
        return;
    EndLine();
    std::fclose(file_);
}

std::string Trace::Open(const std::string &path)
{
    file_ = std::fopen(path.c_str(), "w");
    if (!file_)
        return "cannot create trace " + path + ": " + std::strerror(errno);
    return {};
}

void Trace::Note(const std::string &text)
{
    if (!file_)
        return;
    EndLine();
    StartLine('#');
    std::fputs(text.c_str(), file_);
    EndLine();
    std::fflush(file_);
}

void Trace::StartLine(char direction)
{
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(file_, "%10.3f %c ", seconds, direction);
    direction_ = direction;
}

void Trace::EndLine()
{
    if (direction_)
        std::fputc('\n', file_);
    direction_ = 0;
    breakAfterCr_ = false;
}

void Trace::Bytes(char direction, const uint8_t *data, size_t n)
{
    if (!file_ || n == 0)
        return;
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = data[i];
        // A CR ends the trace line unless its LF follows at once.
        if (breakAfterCr_ && !(b == '\n' && direction == direction_))
            EndLine();
        if (direction != direction_) {
            EndLine();
            StartLine(direction);
        }
        if (b == '\r')
            std::fputs("<CR>", file_);
        else if (b == '\n')
            std::fputs("<LF>", file_);
        else if (b == 0x1B)
            std::fputs("<ESC>", file_);
        else if (b >= 0x20 && b < 0x7F && b != '<')
            std::fputc(b, file_);
        else
            std::fprintf(file_, "<%02X>", b);
        if (b == '\n')
            EndLine();
        else
            breakAfterCr_ = b == '\r';
    }
    std::fflush(file_);
}

} // namespace promsim
