#include "pane_transform.h"

#include <chrono>
#include <cstdio>
#include <ctime>

std::string PaneTransform::Stamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[32];
    std::snprintf(text, sizeof text, "[%02d:%02d:%02d.%03d] ", local.tm_hour, local.tm_min, local.tm_sec, int(ms));
    return text;
}

bool PaneTransform::SetOptions(const PaneOptions &options)
{
    const bool hexChanged = options.hex != options_.hex;
    options_ = options;
    if (!hexChanged)
        return false;
    // Hex that starts mid-line begins a line of its own; hex that ends leaves its line.
    hexColumn_ = options_.hex && !atLineStart_ ? kHexPerLine : 0;
    return !options_.hex && !atLineStart_;
}

std::string PaneTransform::HexText(const std::string &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3 + bytes.size() / kHexPerLine * 2);
    for (const char c : bytes) {
        if (hexColumn_ == kHexPerLine) {
            text += "\r\n";
            hexColumn_ = 0;
        } else if (hexColumn_ > 0) {
            text += ' ';
        }
        const auto b = static_cast<unsigned char>(c);
        text += digits[b >> 4];
        text += digits[b & 15];
        ++hexColumn_;
    }
    return text;
}

std::string PaneTransform::Shown(const std::string &text, bool received)
{
    const bool stamping = received && options_.timestamps;
    if (!stamping) {
        if (!text.empty())
            atLineStart_ = text.back() == '\n';
        return text;
    }
    std::string shown;
    shown.reserve(text.size() + 16);
    for (const char c : text) {
        if (atLineStart_ && c != '\r' && c != '\n')
            shown += Stamp();
        atLineStart_ = c == '\n';
        shown += c;
    }
    return shown;
}
