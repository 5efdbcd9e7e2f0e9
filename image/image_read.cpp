#include "image/image_read.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "image/platform/binary_stdio.h"
#include "image/platform/large_pages.h"
#include "image/hex_text.h"

namespace {

constexpr uint64_t kAddressSpace = uint64_t(1) << 32;

// A digit's value; 255 for anything else, which no value reaches.
struct HexTable {
    uint8_t nibble[256];
    constexpr HexTable() : nibble()
    {
        for (int c = 0; c < 256; ++c)
            nibble[c] = c >= '0' && c <= '9' ? uint8_t(c - '0')
                      : c >= 'a' && c <= 'f' ? uint8_t(c - 'a' + 10)
                      : c >= 'A' && c <= 'F' ? uint8_t(c - 'A' + 10)
                                             : uint8_t(255);
    }
};
constexpr HexTable kHex;

int Digit(char c)
{
    const uint8_t value = kHex.nibble[static_cast<unsigned char>(c)];
    return value < 16 ? value : -1;
}

std::string Shown(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F)
        return std::string("'") + c + "'";
    return "byte " + HexUpper(byte, 2);
}

// One pass over the lines of a record file. A second pass in probe mode finds the line that
// first gave an address, for the message about two records that disagree.
class RecordParser {
public:
    RecordParser(const std::string &content, const std::string &name, ImageRead &read, std::string &error)
        : content_(content), name_(name), read_(read), error_(error)
    {
    }

    bool Run(ImageFormat format)
    {
        while (NextLine()) {
            if (ended_)
                return Fail("a record after the end record of line " + std::to_string(endLine_));
            if (!(format == ImageFormat::IntelHex ? Intel() : Motorola()))
                return false;
        }
        // S-records may end with their count alone, which is checked.
        if (!ended_ && !emptyLast_ && !counted_)
            read_.warnings.push_back(name_ + ": no end record: the file may be cut short");
        return true;
    }

    // In probe mode: the first line whose data covers `address`.
    size_t FirstLineWith(uint32_t address, ImageFormat format)
    {
        probe_ = true;
        probeAddress_ = address;
        Run(format);
        return probeLine_;
    }

private:
    bool NextLine()
    {
        while (pos_ < content_.size()) {
            const char *begin = content_.data() + pos_;
            const void *lf = std::memchr(begin, '\n', content_.size() - pos_);
            size_t len = lf ? static_cast<size_t>(static_cast<const char *>(lf) - begin) : content_.size() - pos_;
            pos_ += len + 1;
            ++lineNo_;
            while (len > 0 && (begin[len - 1] == '\r' || begin[len - 1] == ' ' || begin[len - 1] == '\t'))
                --len;
            if (len > 0 && begin[0] == '\x1A')  // a DOS end of text
                return false;
            if (len == 0)
                continue;
            line_ = begin;
            len_ = len;
            return true;
        }
        return false;
    }

    bool Fail(const std::string &what)
    {
        if (!probe_)
            error_ = name_ + ":" + std::to_string(lineNo_) + ": " + what;
        return false;
    }

    // The digits from `from` to the line's end as bytes.
    bool Decode(size_t from, const char *kind)
    {
        // Sound records in one pass; a fault is found and named by the checks below.
        if ((len_ - from) % 2 == 0 && (len_ - from) / 2 <= sizeof bytes_) {
            count_ = (len_ - from) / 2;
            const auto *digits = reinterpret_cast<const unsigned char *>(line_ + from);
            unsigned bad = 0;
            for (size_t i = 0; i < count_; ++i) {
                const unsigned high = kHex.nibble[digits[2 * i]], low = kHex.nibble[digits[2 * i + 1]];
                bad |= high | low;
                bytes_[i] = static_cast<uint8_t>(high << 4 | low);
            }
            if (bad < 16)
                return true;
        }
        for (size_t i = from; i < len_; ++i)
            if (Digit(line_[i]) < 0)
                return Fail("column " + std::to_string(i + 1) + ": " + Shown(line_[i]) + " is not a hex digit");
        if ((len_ - from) % 2 != 0)
            return Fail(std::string("an odd number of digits: the ") + kind + " is cut short or has one too many");
        count_ = (len_ - from) / 2;
        if (count_ > sizeof bytes_)
            return Fail("longer than any record");
        for (size_t i = 0; i < count_; ++i)
            bytes_[i] = static_cast<uint8_t>(Digit(line_[from + 2 * i]) * 16 + Digit(line_[from + 2 * i + 1]));
        return true;
    }

    uint32_t Big(size_t at, size_t width) const
    {
        uint32_t value = 0;
        for (size_t i = 0; i < width; ++i)
            value = value << 8 | bytes_[at + i];
        return value;
    }

    bool Data(uint64_t address, const uint8_t *bytes, size_t size)
    {
        if (size == 0)
            return true;
        if (address + size > kAddressSpace)
            return Fail("data past address FFFFFFFF");
        if (probe_) {
            if (probeAddress_ >= address && probeAddress_ < address + size) {
                probeLine_ = lineNo_;
                return false;
            }
            return true;
        }
        const auto clash = read_.image.Put(static_cast<uint32_t>(address), reinterpret_cast<const char *>(bytes), size);
        if (!clash)
            return true;
        ImageRead scratch;
        std::string unused;
        RecordParser first(content_, name_, scratch, unused);
        const size_t line = first.FirstLineWith(*clash, format_);
        return Fail("address " + HexUpper(*clash, 8) + " gets " + HexUpper(bytes[*clash - address], 2) + " here and " +
                    HexUpper(*read_.image.At(*clash), 2) + " on line " + std::to_string(line));
    }

    bool Intel()
    {
        format_ = ImageFormat::IntelHex;
        if (line_[0] != ':')
            return Fail("not an Intel hex record: it does not begin with ':'");
        // morvel's own end record, whose count 01 stands for no byte.
        if (len_ == 11 && std::memcmp(line_, ":01000001FF", 11) == 0)
            return End();
        if (!Decode(1, "record"))
            return false;
        if (count_ < 5)
            return Fail("too short for a record: " + std::to_string(count_) + " bytes, at least 5");
        const size_t n = bytes_[0];
        if (count_ != n + 5)
            return Fail("bad length: the count says " + std::to_string(n) + " data bytes, the line holds " +
                        std::to_string(count_ - 5));
        uint8_t sum = 0;
        for (size_t i = 0; i < count_; ++i)
            sum = static_cast<uint8_t>(sum + bytes_[i]);
        if (sum != 0)
            return Fail("bad checksum " + HexUpper(bytes_[count_ - 1], 2) + ", the record's bytes want " +
                        HexUpper(static_cast<uint8_t>(bytes_[count_ - 1] - sum), 2));
        const uint32_t address = Big(1, 2);
        const uint8_t type = bytes_[3];
        const uint8_t *data = bytes_ + 4;
        emptyLast_ = false;
        switch (type) {
        case 0x00:
            if (n == 0) {
                emptyLast_ = true;  // morvel -0 ends with such a record
                return true;
            }
            ++read_.dataRecords;
            if (!segmented_)
                return Data(uint64_t(base_) + address, data, n);
            {
                // An extended segment address wraps within its 64 KiB.
                const size_t first = std::min<size_t>(n, 0x10000 - address);
                return Data(uint64_t(base_) + address, data, first) && Data(base_, data + first, n - first);
            }
        case 0x01:
            if (n != 0)
                return Fail("an end record holds no data, this one " + std::to_string(n) + " bytes");
            return End();
        case 0x02:
        case 0x04:
            if (n != 2)
                return Fail("an extended address record holds 2 bytes, this one " + std::to_string(n));
            segmented_ = type == 0x02;
            base_ = Big(4, 2) << (segmented_ ? 4 : 16);
            return true;
        case 0x03:
        case 0x05:
            if (n != 4)
                return Fail("a start address record holds 4 bytes, this one " + std::to_string(n));
            read_.image.start = type == 0x03 ? (Big(4, 2) << 4) + Big(6, 2) : Big(4, 4);
            return true;
        default:
            return Fail("unknown record type " + HexUpper(type, 2));
        }
    }

    bool End()
    {
        ended_ = true;
        endLine_ = lineNo_;
        return true;
    }

    bool Motorola()
    {
        format_ = ImageFormat::SRecord;
        if (line_[0] != 'S' || len_ < 2 || line_[1] < '0' || line_[1] > '9')
            return Fail("not an S-record: it does not begin with 'S' and a digit");
        const int type = line_[1] - '0';
        if (!Decode(2, "record"))
            return false;
        if (count_ < 1 || count_ != size_t(bytes_[0]) + 1)
            return Fail("bad length: the count says " + std::to_string(count_ ? bytes_[0] : 0) +
                        " bytes follow it, the line holds " + std::to_string(count_ ? count_ - 1 : 0));
        uint8_t sum = 0;
        for (size_t i = 0; i < count_; ++i)
            sum = static_cast<uint8_t>(sum + bytes_[i]);
        if (sum != 0xFF)
            return Fail("bad checksum " + HexUpper(bytes_[count_ - 1], 2) + ", the record's bytes want " +
                        HexUpper(static_cast<uint8_t>(bytes_[count_ - 1] + 0xFF - sum), 2));
        static const size_t kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
        const size_t width = kAddressBytes[type];
        if (type == 4)
            return Fail("S4 is no record type");
        if (count_ < width + 2)
            return Fail("too short for an S" + std::to_string(type) + " record");
        const uint32_t value = Big(1, width);
        switch (type) {
        case 1:
        case 2:
        case 3:
            ++read_.dataRecords;
            return Data(value, bytes_ + 1 + width, count_ - width - 2);
        case 5:
        case 6:
            counted_ = true;
            if (value != read_.dataRecords && !probe_)
                return Fail("the count record says " + std::to_string(value) + " data records, the file has " +
                            std::to_string(read_.dataRecords));
            return true;
        case 7:
        case 8:
        case 9:
            read_.image.start = value;
            return End();
        default:  // S0, the header
            return true;
        }
    }

    const std::string &content_;
    const std::string &name_;
    ImageRead &read_;
    std::string &error_;
    ImageFormat format_ = ImageFormat::IntelHex;
    size_t pos_ = 0;
    size_t lineNo_ = 0;
    const char *line_ = nullptr;
    size_t len_ = 0;
    uint8_t bytes_[300];
    size_t count_ = 0;
    bool ended_ = false;
    size_t endLine_ = 0;
    bool emptyLast_ = false;
    bool counted_ = false;
    bool segmented_ = false;
    uint32_t base_ = 0;
    bool probe_ = false;
    uint32_t probeAddress_ = 0;
    size_t probeLine_ = 0;
};

}  // namespace

const char *FormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::IntelHex:
        return "Intel hex";
    case ImageFormat::SRecord:
        return "S-records";
    default:
        return "binary";
    }
}

ImageFormat FormatOfContent(const std::string &content)
{
    const size_t first = content.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || first + 1 >= content.size())
        return ImageFormat::Binary;
    const char mark = content[first], next = content[first + 1];
    if (mark == ':' && Digit(next) >= 0)
        return ImageFormat::IntelHex;
    if (mark == 'S' && next >= '0' && next <= '9')
        return ImageFormat::SRecord;
    return ImageFormat::Binary;
}

ImageFormat FormatOfName(const std::string &path)
{
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return ImageFormat::ByContent;
    std::string ext = path.substr(dot + 1);
    for (char &c : ext)  // ASCII only, whatever the locale
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (ext == "bin")
        return ImageFormat::Binary;
    if (ext == "hex" || ext == "ihx")
        return ImageFormat::IntelHex;
    if (ext == "s19" || ext == "s28" || ext == "s37" || ext == "srec" || ext == "mot")
        return ImageFormat::SRecord;
    return ImageFormat::ByContent;
}

ImageFormat FormatOfInput(const std::string &content, const std::string &path)
{
    const ImageFormat shown = FormatOfContent(content);
    const ImageFormat named = FormatOfName(path);
    if (shown == ImageFormat::Binary && (named == ImageFormat::IntelHex || named == ImageFormat::SRecord))
        return named;
    return shown;
}

ReadOutcome ParseImage(std::string content, const std::string &name, ImageFormat format,
                       uint32_t start, ImageRead &read, std::string &error)
{
    read = ImageRead();
    read.format = format == ImageFormat::ByContent ? FormatOfContent(content) : format;
    if (read.format == ImageFormat::Binary) {
        if (start + uint64_t(content.size()) > kAddressSpace) {
            error = name + ": from " + HexUpper(start, 8) + " its " + std::to_string(content.size()) +
                    " bytes pass address FFFFFFFF";
            return ReadOutcome::Bad;
        }
        read.image.Overwrite(start, std::move(content));
        return ReadOutcome::Read;
    }
    // Two digits at least for every byte.
    read.image.Expect(content.size() / 2);
    RecordParser parser(content, name, read, error);
    const bool sound = parser.Run(read.format);
    read.image.Expect(0);
    return sound ? ReadOutcome::Read : ReadOutcome::Bad;
}

ReadOutcome ReadWholeFile(const std::string &path, std::string &content, std::string &error)
{
    const bool standard = path == "-";
    std::FILE *file = standard ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "Couldn't open \"" + path + "\" for read";
        return ReadOutcome::NotOpened;
    }
    if (standard)
        SetBinaryMode(stdin);
    content.clear();
    // A file's size known beforehand: read in one piece, with no copy and no growing string.
    // Only a regular file has one: a directory seeks to a made-up end far beyond memory.
    std::error_code regular;
    if (!standard && std::filesystem::is_regular_file(path, regular) && std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        std::rewind(file);
        if (size > 0) {
            content.reserve(static_cast<size_t>(size));
            PreferLargePages(content.data(), content.capacity());
            content.resize(static_cast<size_t>(size));
            content.resize(std::fread(&content[0], 1, content.size(), file));
        }
    }
    // Standard input, or what the file gained since.
    char block[65536];
    size_t n = 0;
    while (!std::ferror(file) && (n = std::fread(block, 1, sizeof block, file)) > 0)
        content.append(block, n);
    const bool failed = std::ferror(file) != 0;
    if (!standard)
        std::fclose(file);
    if (failed) {
        error = "Couldn't read \"" + path + "\"";
        return ReadOutcome::NotOpened;
    }
    return ReadOutcome::Read;
}

ReadOutcome ReadImage(const std::string &path, ImageFormat format, uint32_t start, ImageRead &read,
                      std::string &error)
{
    std::string content;
    const ReadOutcome outcome = ReadWholeFile(path, content, error);
    if (outcome != ReadOutcome::Read)
        return outcome;
    return ParseImage(std::move(content), path == "-" ? "(standard input)" : path, format, start, read, error);
}
