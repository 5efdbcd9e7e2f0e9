#include "records.h"

#include "hex.h"

#include <algorithm>
#include <cctype>

namespace promsim {

namespace {

std::string_view TrimTrailingBlanks(std::string_view line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line;
}

// Reads hex pairs; false on an odd count or a character that is no hex digit.
bool ReadPairs(std::string_view text, std::vector<uint8_t> &bytes)
{
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = HexDigit(static_cast<unsigned char>(text[i]));
        int lo = HexDigit(static_cast<unsigned char>(text[i + 1]));
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return true;
}

unsigned Sum(const std::vector<uint8_t> &bytes)
{
    unsigned sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    return sum & 0xFF;
}

uint32_t BigEndian(const std::vector<uint8_t> &bytes, size_t first, size_t n)
{
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | bytes[first + i];
    return v;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(),
                         [](char x, char y) { return std::toupper(uint8_t(x)) == std::toupper(uint8_t(y)); });
}

ParsedRecord Fail(const char *why)
{
    ParsedRecord r;
    r.error = why;
    return r;
}

ParsedRecord ParseIntel(std::string_view line)
{
    if (line.empty() || line[0] != ':')
        return Fail(line[0] == 'S' ? "S-record, but Intel format is selected"
                                   : "not an Intel hex record");
    // The end record as many converters write it by default, count 01 without its data byte:
    // a device that refused it would refuse their every file.
    if (line.size() == 11 && EqualsIgnoringCase(line, ":01000001FF")) {
        ParsedRecord end;
        end.record.kind = Record::Kind::End;
        return end;
    }
    std::vector<uint8_t> b;
    if (!ReadPairs(line.substr(1), b))
        return Fail("bad hex");
    if (b.size() < 5 || b.size() != size_t(b[0]) + 5)
        return Fail("bad length");
    if (Sum(b) != 0)
        return Fail("bad checksum");
    ParsedRecord r;
    size_t n = b[0];
    uint32_t field = BigEndian(b, 1, 2);
    switch (b[3]) {
    case 0x00:
        r.record.kind = Record::Kind::Data;
        r.record.address = field;
        r.record.data.assign(b.begin() + 4, b.begin() + 4 + long(n));
        return r;
    case 0x01:
        r.record.kind = Record::Kind::End;
        return r;
    case 0x02:
    case 0x04:
        if (n != 2)
            return Fail("bad length");
        r.record.kind = b[3] == 0x02 ? Record::Kind::SegmentBase : Record::Kind::LinearBase;
        r.record.address = b[3] == 0x02 ? BigEndian(b, 4, 2) << 4 : BigEndian(b, 4, 2) << 16;
        return r;
    case 0x03:
    case 0x05:
        if (n != 4)
            return Fail("bad length");
        return r;
    default:
        return Fail("bad record type");
    }
}

ParsedRecord ParseMotorola(std::string_view line)
{
    if (line.empty() || line[0] != 'S')
        return Fail(line[0] == ':' ? "Intel record, but Motorola format is selected"
                                   : "not an S-record");
    if (line.size() < 2 || line[1] < '0' || line[1] > '9' || line[1] == '4')
        return Fail("bad record type");
    int type = line[1] - '0';
    std::vector<uint8_t> b;
    if (!ReadPairs(line.substr(2), b))
        return Fail("bad hex");
    static const size_t kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    size_t addressBytes = kAddressBytes[type];
    if (b.empty() || b.size() != size_t(b[0]) + 1 || b[0] < addressBytes + 1)
        return Fail("bad length");
    if (Sum(b) != 0xFF)
        return Fail("bad checksum");
    ParsedRecord r;
    if (type >= 1 && type <= 3) {
        r.record.kind = Record::Kind::Data;
        r.record.address = BigEndian(b, 1, addressBytes);
        r.record.data.assign(b.begin() + 1 + long(addressBytes), b.end() - 1);
    } else if (type >= 7) {
        r.record.kind = Record::Kind::End;
    }
    return r;
}

void AppendBytes(std::string &out, unsigned &sum, const uint8_t *data, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        AppendHex(out, data[i], 2);
        sum += data[i];
    }
}

} // namespace

ParsedRecord ParseRecord(Format format, std::string_view line)
{
    line = TrimTrailingBlanks(line);
    if (line.empty())
        return Fail(format == Format::Intel ? "not an Intel hex record" : "not an S-record");
    return format == Format::Intel ? ParseIntel(line) : ParseMotorola(line);
}

bool LooksLikeEndRecord(std::string_view line)
{
    if (line.size() >= 9 && line[0] == ':')
        return line[7] == '0' && line[8] == '1';
    return line.size() >= 2 && line[0] == 'S' && line[1] >= '7' && line[1] <= '9';
}

std::string IntelData(uint16_t address, const uint8_t *data, size_t n)
{
    const uint8_t head[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(address >> 8),
                             static_cast<uint8_t>(address), 0x00};
    std::string s = ":";
    unsigned sum = 0;
    AppendBytes(s, sum, head, 4);
    AppendBytes(s, sum, data, n);
    AppendHex(s, (0x100 - (sum & 0xFF)) & 0xFF, 2);
    return s;
}

std::string IntelLinearBase(uint16_t upper)
{
    const uint8_t head[6] = {0x02, 0x00, 0x00, 0x04, static_cast<uint8_t>(upper >> 8),
                             static_cast<uint8_t>(upper)};
    std::string s = ":";
    unsigned sum = 0;
    AppendBytes(s, sum, head, 6);
    AppendHex(s, (0x100 - (sum & 0xFF)) & 0xFF, 2);
    return s;
}

std::string IntelEnd() { return ":00000001FF"; }

std::string SData(int addressBytes, uint32_t address, const uint8_t *data, size_t n)
{
    std::string s = "S";
    s += char('0' + addressBytes - 1);
    uint8_t head[5];
    head[0] = static_cast<uint8_t>(addressBytes + n + 1);
    for (int i = 0; i < addressBytes; ++i)
        head[1 + i] = static_cast<uint8_t>(address >> (8 * (addressBytes - 1 - i)));
    unsigned sum = 0;
    AppendBytes(s, sum, head, size_t(addressBytes) + 1);
    AppendBytes(s, sum, data, n);
    AppendHex(s, ~sum & 0xFF, 2);
    return s;
}

std::string SEnd(int addressBytes)
{
    std::string s = SData(addressBytes, 0, nullptr, 0);
    s[1] = char('0' + 11 - addressBytes);
    // The type digit is not part of the checksum, so only it changes.
    return s;
}

} // namespace promsim
