#include "uploader.h"

#include <algorithm>

namespace promsim {

namespace {
constexpr size_t kRecordBytes = 16;
}

void Uploader::Start(Format format, uint32_t from, size_t memorySize)
{
    format_ = format;
    next_ = from;
    upper_ = 0;
    addressBytes_ = memorySize > 0x10000 ? 3 : 2;
}

bool Uploader::Produce(const std::vector<uint8_t> &memory, std::string &out, size_t budget)
{
    size_t limit = out.size() + budget;
    while (next_ < memory.size() && out.size() < limit) {
        size_t n = std::min(kRecordBytes, memory.size() - next_);
        const uint8_t *data = memory.data() + next_;
        if (format_ == Format::Intel) {
            if ((next_ >> 16) != upper_) {
                upper_ = next_ >> 16;
                out += IntelLinearBase(static_cast<uint16_t>(upper_));
                out += '\r';
            }
            out += IntelData(static_cast<uint16_t>(next_), data, n);
        } else {
            out += SData(addressBytes_, next_, data, n);
        }
        out += '\r';
        next_ += uint32_t(n);
    }
    if (next_ < memory.size())
        return false;
    out += format_ == Format::Intel ? IntelEnd() : SEnd(addressBytes_);
    out += '\r';
    return true;
}

} // namespace promsim
