#include "progress.h"

#include <utility>

namespace {

// A few updates a second: enough to watch, cheap beside the line.
constexpr std::chrono::milliseconds kRedraw{250};

// Printable bytes only: a status may quote a file name.
std::string Printable(const std::string &text)
{
    std::string shown;
    for (const char c : text)
        shown += static_cast<uint8_t>(c) < 32 || c == 127 ? '?' : c;
    return shown;
}

std::string Decimal(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, value < 10 ? "%.1f" : "%.0f", value);
    return text;
}

}  // namespace

ProgressLine::ProgressLine(std::FILE *stream, std::string name, std::string unit)
    : stream_(stream), name_(std::move(name)), unit_(std::move(unit))
{
}

void ProgressLine::Start()
{
    start_ = Clock::now();
    done_ = total_ = -1;
    status_.clear();
}

void ProgressLine::Status(const std::string &text)
{
    // The status tells what the transfer waits for until figures come; after that it only
    // repeats them (or shows the bytes of the line), and the figures stand alone.
    if (done_ >= 0 || text == status_)
        return;
    status_ = text;
    Draw();
}

void ProgressLine::Progress(int64_t done, int64_t total)
{
    // The rate counts from the first figures: the commands and waits before them are no part of it.
    if (done_ < 0) {
        firstAt_ = Clock::now();
        firstDone_ = done;
    }
    done_ = done;
    total_ = total;
    if (Clock::now() - drawnAt_ >= kRedraw)
        Draw();
}

std::string ProgressLine::Figures(int64_t done, int64_t total, int64_t counted, double seconds,
                                  const std::string &unit)
{
    std::string text = std::to_string(done);
    if (total >= 0)
        text += " of " + std::to_string(total);
    text += " " + unit;
    if (seconds <= 0 || counted <= 0)
        return text;
    const double rate = counted / seconds;
    text += ", " + Decimal(rate) + " " + unit + "/s";
    if (total > done) {
        const auto left = static_cast<long long>((total - done) / rate + 0.5);
        char eta[48];
        std::snprintf(eta, sizeof eta, ", %lld:%02lld left", left / 60, left % 60);
        text += eta;
    }
    return text;
}

void ProgressLine::Draw()
{
    if (!stream_)
        return;
    drawnAt_ = Clock::now();
    std::string line = name_ + ":";
    if (done_ >= 0)
        line += " " + Figures(done_, total_, done_ - firstDone_,
                              std::chrono::duration<double>(drawnAt_ - firstAt_).count(), unit_);
    else if (!status_.empty())
        line += " " + Printable(status_);
    std::fprintf(stream_, "\r%s\033[K", line.c_str());
    std::fflush(stream_);
    shown_ = true;
}

void ProgressLine::Clear()
{
    if (!stream_ || !shown_)
        return;
    std::fputs("\r\033[K", stream_);
    shown_ = false;
}

void ProgressLine::Finish(const std::string &ending)
{
    if (!stream_)
        return;
    Clear();
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    std::string line = name_ + ": " + ending;
    if (done_ >= 0)
        line += ", " + Figures(done_, -1, done_, seconds, unit_) + " in " + Decimal(seconds) + " s";
    std::fprintf(stream_, "%s\n", line.c_str());
    std::fflush(stream_);
}
