// Sending and receiving single bytes, and the trace log of both.
#include "bytelayer.h"

#include "settings.h"
#include "zmhwcomm.h"

namespace {
const char kSeparator[] = "\r\n-----------------------";
}  // namespace

ByteLayer::ByteLayer(const intptr_t &portHandle, const ZM32OP &settings)
    : port_(portHandle), settings_(settings)
{
}

ByteLayer::~ByteLayer()
{
    TraceClose();
}

int32_t ByteLayer::SendByte(uint8_t value)
{
    const int32_t result = zmhwTX(port_, value);
    TraceWrite("p%s", {CharName(traceState_, value, true)});
    return result;
}

int32_t ByteLayer::ReceiveByte()
{
    const int32_t result = zmhwRX(port_);
    TraceWrite("g%s", {CharName(traceState_, result, true)});
    return result;
}

// A format continues the current line when it starts with the same prefix letter; otherwise
// it starts a new line that begins with its prefix. The file is unbuffered, so what was traced
// is on disk even if the program dies next.
void ByteLayer::TraceWrite(const std::string &format, const FormatArgs &args)
{
    if (disabled_ || settings_.log.empty())
        return;
    if (!file_) {
        file_ = std::fopen(settings_.log.c_str(), "ab");
        if (!file_) {
            disabled_ = true;
            return;
        }
        std::setvbuf(file_, nullptr, _IONBF, 0);
    }
    if (format.empty())
        return;
    std::string piece = format;
    if (lastPrefix_ == format.front()) {
        piece.erase(0, 1);
    } else {
        if (!lastPrefix_)
            std::fputs(kSeparator, file_);
        std::fputs("\r\n", file_);
        lastPrefix_ = format.front();
    }
    const std::string text = FormatGuarded(piece, args);
    if (text.size() <= kMaxTracePiece)
        std::fwrite(text.data(), 1, text.size(), file_);
}

void ByteLayer::TraceRestart()
{
    TraceWrite("%s", {CharName(traceState_, kNoCharacter, true)});
    TraceClose();
    disabled_ = false;
    lastPrefix_.reset();
    TraceWrite("");
}

void ByteLayer::TraceClose()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

bool ByteLayer::TraceIsOpen() const
{
    return file_ != nullptr;
}
