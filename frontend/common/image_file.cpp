#include "image_file.h"

#include <algorithm>
#include <cstdio>

#include "numbers.h"

namespace {

bool ReadWhole(const std::string &path, std::string &content, std::string &error)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "Couldn't open \"" + path + "\" for read";
        return false;
    }
    char block[65536];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        content.append(block, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        error = "Couldn't read \"" + path + "\"";
    return !failed;
}

// A field of `width` digits at `pos`, ended early by a non-digit or the line's end.
uint32_t Field(const std::string &line, size_t pos, size_t width)
{
    uint32_t value = 0;
    for (size_t end = std::min(pos + width, line.size()); pos < end; ++pos) {
        const int digit = HexDigitValue(line[pos]);
        if (digit < 0)
            break;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

// The byte at `pos`: a digit pair, cut short by a non-digit or the line's end.
uint8_t Pair(const std::string &line, size_t pos)
{
    if (pos + 1 >= line.size())
        return static_cast<uint8_t>(Field(line, pos, 2));
    const int high = HexDigitValue(line[pos]);
    const int low = HexDigitValue(line[pos + 1]);
    if (high < 0)
        return 0;
    return static_cast<uint8_t>(low < 0 ? high : high * 16 + low);
}

void Record(const std::string &line, uint32_t address, uint32_t count, size_t pos, uint32_t bias,
            ImageFile &image)
{
    for (uint32_t i = 0; i < count; ++i)
        if (address + i >= bias)
            image.bytes[address + i - bias] = Pair(line, pos + 2 * i);
}

// dabrix's rules: type 00 and S1 records count, every other line is skipped.
void RecordLine(const std::string &line, uint32_t bias, ImageFile &image)
{
    if (line.empty())
        return;
    if (line[0] == ':' && line.size() >= 11) {
        if (Field(line, 7, 2) == 0)
            Record(line, Field(line, 3, 4), Field(line, 1, 2), 9, bias, image);
    } else if (line[0] == 'S' && line.size() >= 10 && line[1] == '1') {
        const uint32_t count = Field(line, 2, 2);
        if (count >= 3)
            Record(line, Field(line, 4, 4), count - 3, 8, bias, image);
    }
}

}  // namespace

bool LooksLikeRecords(const std::string &content)
{
    const size_t first = content.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return false;
    const char mark = content[first];
    const size_t digits = mark == ':' ? 10 : 9;  // ":LLAAAATT" + a digit, "SnLLAAAA" + a digit
    if ((mark != ':' && mark != 'S') || content.size() < first + 1 + digits)
        return false;
    for (size_t i = first + 1; i < first + 1 + digits; ++i)
        if (HexDigitValue(content[i]) < 0)
            return false;
    return true;
}

bool LoadImageFile(const std::string &path, ImageKind kind, uint32_t bias, uint32_t start,
                   ImageFile &image, std::string &error)
{
    std::string &content = image.content;
    content.clear();
    if (!ReadWhole(path, content, error))
        return false;
    image.records = kind == ImageKind::Records || (kind == ImageKind::ByContent && LooksLikeRecords(content));
    image.bytes.clear();
    image.start = start;
    if (!image.records) {
        if (content.empty()) {
            error = "\"" + path + "\" is empty: nothing to send";
            return false;
        }
        if (start + content.size() > 0x10000) {
            error = "\"" + path + "\" from " + HexPadded(static_cast<int32_t>(start), 4) +
                    " goes past address FFFF";
            return false;
        }
        for (size_t i = 0; i < content.size(); ++i)
            image.bytes.emplace_hint(image.bytes.end(), start + static_cast<uint32_t>(i),
                                     static_cast<uint8_t>(content[i]));
        return true;
    }
    std::string line;
    for (const char c : content) {
        if (c == '\r' || c == '\n') {
            RecordLine(line, bias, image);
            line.clear();
        } else {
            line += c;
        }
    }
    RecordLine(line, bias, image);
    if (image.bytes.empty()) {
        error = "\"" + path + "\" has no data record: nothing to send";
        return false;
    }
    return true;
}

std::vector<ImageRun> ImageRuns(const ImageFile &image)
{
    std::vector<ImageRun> runs;
    for (const auto &[address, value] : image.bytes) {
        if (runs.empty() || runs.back().start + runs.back().bytes.size() != address)
            runs.push_back({address, {}});
        runs.back().bytes += static_cast<char>(value);
    }
    return runs;
}

std::string IntelHexRecords(const std::string &bytes, uint32_t start)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() / 16 * 45 + 64);
    const auto put = [&](unsigned value, unsigned &sum) {
        text += kDigits[(value >> 4) & 15];
        text += kDigits[value & 15];
        sum += value;
    };
    for (size_t i = 0; i < bytes.size(); i += 16) {
        const size_t n = std::min<size_t>(16, bytes.size() - i);
        const uint32_t address = start + static_cast<uint32_t>(i);
        unsigned sum = 0;
        text += ':';
        put(static_cast<unsigned>(n), sum);
        put((address >> 8) & 0xFF, sum);
        put(address & 0xFF, sum);
        put(0, sum);
        for (size_t j = 0; j < n; ++j)
            put(static_cast<uint8_t>(bytes[i + j]), sum);
        unsigned checksum = (0u - sum) & 0xFF;
        put(checksum, sum);
        text += "\r\n";
    }
    return text + ":00000001FF\r\n";
}
