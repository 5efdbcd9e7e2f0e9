#include "image_write.h"

#include <algorithm>
#include <cstring>

namespace {

const char kDigits[] = "0123456789ABCDEF";

// One record at a time into `text`, its checksum summed on the way.
class RecordText {
public:
    explicit RecordText(std::string &text) : text_(text) {}
    void Begin(char mark)
    {
        text_ += mark;
        sum_ = 0;
    }
    void Byte(uint8_t value)
    {
        text_ += kDigits[value >> 4];
        text_ += kDigits[value & 15];
        sum_ = static_cast<uint8_t>(sum_ + value);
    }
    void Bytes(const char *bytes, size_t n)
    {
        const size_t at = text_.size();
        text_.resize(at + 2 * n);
        char *out = &text_[at];
        for (size_t i = 0; i < n; ++i) {
            const auto value = static_cast<uint8_t>(bytes[i]);
            out[2 * i] = kDigits[value >> 4];
            out[2 * i + 1] = kDigits[value & 15];
            sum_ = static_cast<uint8_t>(sum_ + value);
        }
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
        text_ += "\r\n";
    }

private:
    std::string &text_;
    uint8_t sum_ = 0;
};

}  // namespace

std::string BinarySpan(const MemoryImage &image, uint32_t base, uint64_t end, uint8_t fill)
{
    std::string bytes(end > base ? static_cast<size_t>(end - base) : 0, static_cast<char>(fill));
    for (const auto &[address, run] : image.runs()) {
        const uint64_t from = std::max<uint64_t>(address, base);
        const uint64_t to = std::min<uint64_t>(address + uint64_t(run.size()), end);
        if (from < to)
            std::memcpy(&bytes[from - base], run.data() + (from - address), static_cast<size_t>(to - from));
    }
    return bytes;
}

std::string IntelHexText(const MemoryImage &image, size_t recordSize)
{
    std::string text;
    text.reserve(static_cast<size_t>(image.ByteCount() * 2 + image.ByteCount() / recordSize * 13 + 64));
    RecordText record(text);
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
        }
    }
    if (image.start) {
        record.Begin(':');
        record.Address(0x04000005, 4);
        record.Address(*image.start, 4);
        record.End(true);
    }
    return text + ":00000001FF\r\n";
}

size_t SRecordAddressBytes(const MemoryImage &image)
{
    const uint64_t highest = std::max<uint64_t>(image.End() ? image.End() - 1 : 0, image.start.value_or(0));
    return highest <= 0xFFFF ? 2 : highest <= 0xFFFFFF ? 3 : 4;
}

std::string SRecordText(const MemoryImage &image, size_t recordSize)
{
    const size_t width = SRecordAddressBytes(image);
    const char dataType = static_cast<char>('0' + width - 1);  // S1, S2, S3
    std::string text = "S0030000FC\r\n";
    text.reserve(static_cast<size_t>(image.ByteCount() * 2 + image.ByteCount() / recordSize * 16 + 64));
    RecordText record(text);
    uint64_t records = 0;
    for (const auto &[first, run] : image.runs()) {
        for (size_t done = 0; done < run.size(); ++records) {
            const size_t n = std::min(recordSize, run.size() - done);
            record.Begin('S');
            text += dataType;
            record.Byte(static_cast<uint8_t>(n + width + 1));
            record.Address(first + static_cast<uint32_t>(done), width);
            record.Bytes(run.data() + done, n);
            record.End(false);
            done += n;
        }
    }
    if (records <= 0xFFFFFF) {
        const size_t countWidth = records <= 0xFFFF ? 2 : 3;
        record.Begin('S');
        text += countWidth == 2 ? '5' : '6';
        record.Byte(static_cast<uint8_t>(countWidth + 1));
        record.Address(static_cast<uint32_t>(records), countWidth);
        record.End(false);
    }
    record.Begin('S');
    text += static_cast<char>('0' + 11 - width);  // S9, S8, S7
    record.Byte(static_cast<uint8_t>(width + 1));
    record.Address(image.start.value_or(0), width);
    record.End(false);
    return text;
}
