#include "image/serial_stamp.h"

#include "image/hex_text.h"

namespace {

struct FormatName {
    SerialFormat format;
    const char *name;
};
constexpr FormatName kFormats[] = {{SerialFormat::Le, "le"},
                                   {SerialFormat::Be, "be"},
                                   {SerialFormat::Bcd, "bcd"},
                                   {SerialFormat::Dec, "dec"},
                                   {SerialFormat::Hex, "hex"}};

uint64_t PowerLess1(uint64_t base, unsigned exponent)
{
    uint64_t power = 1;
    for (unsigned i = 0; i < exponent; ++i)
        power *= base;
    return power - 1;
}

}  // namespace

bool ParseSerialFormat(const std::string &name, SerialFormat &format)
{
    for (const FormatName &known : kFormats)
        if (name == known.name) {
            format = known.format;
            return true;
        }
    return false;
}

std::vector<std::string> SerialFormatNames()
{
    std::vector<std::string> names;
    for (const FormatName &known : kFormats)
        names.push_back(known.name);
    return names;
}

const char *SerialFormatName(SerialFormat format)
{
    for (const FormatName &known : kFormats)
        if (format == known.format)
            return known.name;
    return "";
}

uint64_t LargestSerial(SerialFormat format, unsigned width)
{
    if (width < 1 || width > kSerialWidthMax)
        return 0;
    switch (format) {
    case SerialFormat::Le:
    case SerialFormat::Be:
        return width == 8 ? UINT64_MAX : PowerLess1(256, width);
    case SerialFormat::Bcd:
        return PowerLess1(10, 2 * width);
    case SerialFormat::Dec:
        return PowerLess1(10, width);
    case SerialFormat::Hex:
        return PowerLess1(16, width);
    }
    return 0;
}

bool SerialBytes(uint64_t number, SerialFormat format, unsigned width, std::string &bytes, std::string &error)
{
    if (width < 1 || width > kSerialWidthMax) {
        error = "a serial takes 1 to 8 bytes, not " + std::to_string(width);
        return false;
    }
    if (number > LargestSerial(format, width)) {
        error = "serial " + std::to_string(number) + " does not fit " + std::to_string(width) + " byte" +
                (width == 1 ? "" : "s") + " as " + SerialFormatName(format) + " (at most " +
                std::to_string(LargestSerial(format, width)) + ")";
        return false;
    }
    bytes.assign(width, '\0');
    // Filled from the last byte, the low digits' end, then turned for little-endian.
    uint64_t rest = number;
    for (unsigned i = width; i-- > 0;) {
        switch (format) {
        case SerialFormat::Le:
        case SerialFormat::Be:
            bytes[i] = static_cast<char>(rest & 0xFF);
            rest >>= 8;
            break;
        case SerialFormat::Bcd:
            bytes[i] = static_cast<char>((rest % 10) | ((rest / 10 % 10) << 4));
            rest /= 100;
            break;
        case SerialFormat::Dec:
            bytes[i] = static_cast<char>('0' + rest % 10);
            rest /= 10;
            break;
        case SerialFormat::Hex:
            bytes[i] = "0123456789ABCDEF"[rest & 0xF];
            rest >>= 4;
            break;
        }
    }
    if (format == SerialFormat::Le)
        bytes.assign(bytes.rbegin(), bytes.rend());
    return true;
}

std::string SerialBytesHex(const std::string &bytes)
{
    std::string text;
    for (const char c : bytes)
        text += HexUpper(static_cast<uint8_t>(c), 2);
    return text;
}

void StampSerial(MemoryImage &image, uint32_t address, const std::string &bytes)
{
    image.Overwrite(address, bytes.data(), bytes.size());
}
