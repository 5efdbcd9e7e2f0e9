#include "image/image_write.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Two digits a byte from one table lookup.
struct DigitPairs {
    char pair[256][2];
    constexpr DigitPairs() : pair()
    {
        for (int i = 0; i < 256; ++i) {
            pair[i][0] = kDigits[i >> 4];
            pair[i][1] = kDigits[i & 15];
        }
    }
};
constexpr DigitPairs kPairs;

// Records made in a buffer and handed to the sink a block at a time, each checksum summed on
// the way.
class RecordText {
public:
    explicit RecordText(const ByteSink &sink) : sink_(sink), out_(buffer_) {}
    void Begin(char mark)
    {
        if (static_cast<size_t>(buffer_ + sizeof buffer_ - out_) < kLongestRecord)
            Flush();
        *out_++ = mark;
        sum_ = 0;
    }
    void Mark(char c) { *out_++ = c; }
    void Byte(uint8_t value)
    {
        std::memcpy(out_, kPairs.pair[value], 2);
        out_ += 2;
        sum_ = static_cast<uint8_t>(sum_ + value);
    }
    void Bytes(const char *bytes, size_t n)
    {
        unsigned sum = sum_;
        for (size_t i = 0; i < n; ++i) {
            const auto value = static_cast<uint8_t>(bytes[i]);
            std::memcpy(out_ + 2 * i, kPairs.pair[value], 2);
            sum += value;
        }
        out_ += 2 * n;
        sum_ = static_cast<uint8_t>(sum);
    }
    void Address(uint32_t value, size_t width)
    {
        for (size_t i = width; i-- > 0;)
            Byte(static_cast<uint8_t>(value >> (8 * i)));
    }
    // Intel: the two's complement of the sum; Motorola: its ones' complement.
    void End(bool intel)
    {
        const uint8_t sum = sum_;
        Byte(static_cast<uint8_t>(intel ? 0x100 - sum : 0xFF - sum));
        *out_++ = '\r';
        *out_++ = '\n';
    }
    void Literal(const char *text)
    {
        const size_t n = std::strlen(text);
        std::memcpy(out_, text, n);
        out_ += n;
    }
    // False once the sink has refused a block.
    bool Flush()
    {
        if (ok_ && out_ != buffer_)
            ok_ = sink_(buffer_, static_cast<size_t>(out_ - buffer_));
        out_ = buffer_;
        return ok_;
    }
    bool ok() const { return ok_; }

private:
    // "S3", 255 bytes of count, address, data and checksum, CR LF; or a literal line.
    static constexpr size_t kLongestRecord = 2 + 2 * 256 + 2;
    const ByteSink &sink_;
    char buffer_[256 * 1024];
    char *out_;
    uint8_t sum_ = 0;
    bool ok_ = true;
};

std::string Collected(const std::function<bool(const ByteSink &)> &write)
{
    std::string text;
    write([&text](const char *bytes, size_t size) {
        text.append(bytes, size);
        return true;
    });
    return text;
}

}  // namespace

bool WriteBinary(const MemoryImage &image, uint32_t base, uint64_t end, uint8_t fill, const ByteSink &sink)
{
    const std::string gap(64 * 1024, static_cast<char>(fill));
    uint64_t at = base;
    const auto fillTo = [&](uint64_t to) {
        for (; at < to; at += std::min<uint64_t>(to - at, gap.size()))
            if (!sink(gap.data(), static_cast<size_t>(std::min<uint64_t>(to - at, gap.size()))))
                return false;
        return true;
    };
    for (const auto &[address, run] : image.runs()) {
        const uint64_t from = std::max<uint64_t>(address, base);
        const uint64_t to = std::min<uint64_t>(address + uint64_t(run.size()), end);
        if (from >= to)
            continue;
        if (!fillTo(from) || !sink(run.data() + (from - address), static_cast<size_t>(to - from)))
            return false;
        at = to;
    }
    return fillTo(end);
}

std::string BinarySpan(const MemoryImage &image, uint32_t base, uint64_t end, uint8_t fill)
{
    return Collected([&](const ByteSink &sink) { return WriteBinary(image, base, end, fill, sink); });
}

bool WriteIntelHex(const MemoryImage &image, size_t recordSize, const ByteSink &sink)
{
    RecordText record(sink);
    uint32_t upper = 0;
    for (const auto &[first, run] : image.runs()) {
        for (size_t done = 0; done < run.size();) {
            const uint32_t address = first + static_cast<uint32_t>(done);
            const size_t n = std::min({recordSize, run.size() - done, size_t(0x10000 - (address & 0xFFFF))});
            if (address >> 16 != upper) {
                upper = address >> 16;
                record.Begin(':');
                record.Address(0x02000004, 4);
                record.Address(upper, 2);
                record.End(true);
            }
            record.Begin(':');
            record.Byte(static_cast<uint8_t>(n));
            record.Address(address & 0xFFFF, 2);
            record.Byte(0);
            record.Bytes(run.data() + done, n);
            record.End(true);
            done += n;
            if (!record.ok())
                return false;
        }
    }
    if (image.start) {
        record.Begin(':');
        record.Address(0x04000005, 4);
        record.Address(*image.start, 4);
        record.End(true);
    }
    record.Begin(':');
    record.Literal("00000001FF\r\n");
    return record.Flush();
}

std::string IntelHexText(const MemoryImage &image, size_t recordSize)
{
    return Collected([&](const ByteSink &sink) { return WriteIntelHex(image, recordSize, sink); });
}

size_t SRecordAddressBytes(const MemoryImage &image)
{
    const uint64_t highest = std::max<uint64_t>(image.End() ? image.End() - 1 : 0, image.start.value_or(0));
    return highest <= 0xFFFF ? 2 : highest <= 0xFFFFFF ? 3 : 4;
}

bool WriteSRecords(const MemoryImage &image, size_t recordSize, const ByteSink &sink, size_t width)
{
    width = std::max(width, SRecordAddressBytes(image));
    const char dataType = static_cast<char>('0' + width - 1);  // S1, S2, S3
    RecordText record(sink);
    record.Begin('S');
    record.Literal("0030000FC\r\n");
    uint64_t records = 0;
    for (const auto &[first, run] : image.runs()) {
        for (size_t done = 0; done < run.size(); ++records) {
            const size_t n = std::min(recordSize, run.size() - done);
            record.Begin('S');
            record.Mark(dataType);
            record.Byte(static_cast<uint8_t>(n + width + 1));
            record.Address(first + static_cast<uint32_t>(done), width);
            record.Bytes(run.data() + done, n);
            record.End(false);
            done += n;
            if (!record.ok())
                return false;
        }
    }
    if (records <= 0xFFFFFF) {
        const size_t countWidth = records <= 0xFFFF ? 2 : 3;
        record.Begin('S');
        record.Mark(countWidth == 2 ? '5' : '6');
        record.Byte(static_cast<uint8_t>(countWidth + 1));
        record.Address(static_cast<uint32_t>(records), countWidth);
        record.End(false);
    }
    record.Begin('S');
    record.Mark(static_cast<char>('0' + 11 - width));  // S9, S8, S7
    record.Byte(static_cast<uint8_t>(width + 1));
    record.Address(image.start.value_or(0), width);
    record.End(false);
    return record.Flush();
}
