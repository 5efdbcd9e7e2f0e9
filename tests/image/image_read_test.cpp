// The image reader by record kind: what each Intel hex and S-record type puts where, and the
// line and reason of every fault it must refuse.
#include <gtest/gtest.h>

#include <map>

#include "image/image_read.h"

namespace {

std::string Hex(uint8_t value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// An Intel hex record with its checksum.
std::string I(uint8_t type, uint16_t address, const std::string &data)
{
    std::string bytes = std::string(1, char(data.size())) + char(address >> 8) + char(address & 0xFF) + char(type) + data;
    uint8_t sum = 0;
    std::string text = ":";
    for (const char c : bytes) {
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
        text += Hex(static_cast<uint8_t>(c));
    }
    return text + Hex(static_cast<uint8_t>(0x100 - sum)) + "\r\n";
}

// An S-record of `type` with an address of `width` bytes and its checksum.
std::string S(int type, uint32_t address, size_t width, const std::string &data)
{
    std::string bytes(1, char(width + data.size() + 1));
    for (size_t i = width; i-- > 0;)
        bytes += char(address >> (8 * i));
    bytes += data;
    uint8_t sum = 0;
    std::string text = "S" + std::to_string(type);
    for (const char c : bytes) {
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
        text += Hex(static_cast<uint8_t>(c));
    }
    return text + Hex(static_cast<uint8_t>(0xFF - sum)) + "\n";
}

std::string B(std::initializer_list<int> bytes)
{
    std::string text;
    for (const int b : bytes)
        text += static_cast<char>(b);
    return text;
}

const std::string kEnd = ":00000001FF\r\n";

struct Case {
    const char *name;
    std::string content;
    std::map<uint32_t, std::string> runs;  // when no error
    std::string error;                     // the message's start, "f:LINE: ..."
    std::optional<uint32_t> start = std::nullopt;
};

void Check(const Case &c, ImageFormat format = ImageFormat::ByContent)
{
    ImageRead read;
    std::string error;
    const ReadOutcome outcome = ParseImage(c.content, "f", format, 0, read, error);
    if (!c.error.empty()) {
        EXPECT_EQ(outcome, ReadOutcome::Bad) << c.name;
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.name << ": " << error;
        return;
    }
    ASSERT_EQ(outcome, ReadOutcome::Read) << c.name << ": " << error;
    std::map<uint32_t, std::string> runs(read.image.runs().begin(), read.image.runs().end());
    EXPECT_EQ(runs, c.runs) << c.name;
    EXPECT_EQ(read.image.start, c.start) << c.name;
}

}  // namespace

TEST(ImageRead, IntelHexRecordsOfEveryType)
{
    const Case cases[] = {
        {"data", I(0, 0x10, B({0x01, 0x02, 0x03, 0x04})) + kEnd, {{0x10, B({0x01, 0x02, 0x03, 0x04})}}, ""},
        {"morvel's end record and LF ends", ":0400100001020304E2\n:01000001FF\n", {{0x10, B({0x01, 0x02, 0x03, 0x04})}}, ""},
        {"blank lines and lower case", "\n" + std::string(":0400100001020304e2\r\n\r\n") + kEnd, {{0x10, B({0x01, 0x02, 0x03, 0x04})}}, ""},
        {"linear address", I(4, 0, B({0x00, 0x01})) + I(0, 0x8000, "AB") + kEnd, {{0x18000, "AB"}}, ""},
        {"linear address does not wrap", I(4, 0, B({0x00, 0x01})) + I(0, 0xFFFF, "AB") + kEnd, {{0x1FFFF, "AB"}}, ""},
        {"segment address", I(2, 0, B({0x10, 0x00})) + I(0, 0x0010, "AB") + kEnd, {{0x10010, "AB"}}, ""},
        {"segment address wraps in its 64 KiB", I(2, 0, B({0x10, 0x00})) + I(0, 0xFFFF, "AB") + kEnd,
         {{0x10000, "B"}, {0x1FFFF, "A"}}, ""},
        {"top of 32 bits", I(4, 0, B({0xFF, 0xFF})) + I(0, 0xFFFE, "AB") + kEnd, {{0xFFFFFFFE, "AB"}}, ""},
        {"start address, linear", I(0, 0, "A") + I(5, 0, B({0x12, 0x34, 0x56, 0x78})) + kEnd, {{0, "A"}}, "", 0x12345678},
        {"start address, segment", I(0, 0, "A") + I(3, 0, B({0x12, 0x34, 0x00, 0x05})) + kEnd, {{0, "A"}}, "", 0x12345},
        {"records out of order join", I(0, 0x20, "CD") + I(0, 0x10, "AB") + I(0, 0x12, std::string(14, 'x')) + kEnd,
         {{0x10, "AB" + std::string(14, 'x') + "CD"}}, ""},
        {"the same bytes twice", I(0, 0x10, "ABCD") + I(0, 0x12, "CDEF") + kEnd, {{0x10, "ABCDEF"}}, ""},
        {"bad checksum", I(0, 0, "A") + ":0400100001020304E3\r\n" + kEnd, {}, "f:2: bad checksum E3, the record's bytes want E2"},
        {"count above the data", ":0500100001020304E1\r\n", {}, "f:1: bad length: the count says 5 data bytes, the line holds 4"},
        {"cut short", I(0, 0, "A") + ":04001000010203", {}, "f:2: bad length"},
        {"odd digits", ":0400100001020304E\r\n", {}, "f:1: an odd number of digits"},
        {"noise in a line", ":04001000010\x8F" "0304E2\r\n", {}, "f:1: column 13: byte 8F is not a hex digit"},
        {"too short", ":0000\r\n", {}, "f:1: too short for a record"},
        {"unknown type", I(6, 0, "") , {}, "f:1: unknown record type 06"},
        {"extended address of 3 bytes", I(4, 0, B({0x00, 0x01, 0x02})), {}, "f:1: an extended address record holds 2 bytes"},
        {"end record with data", I(1, 0, "A"), {}, "f:1: an end record holds no data"},
        {"data after the end", I(0, 0, "A") + kEnd + I(0, 1, "B"), {}, "f:3: a record after the end record of line 2"},
        {"two lines disagree", I(0, 0x10, "ABCD") + I(0, 0x30, "Z") + I(0, 0x11, "BX"), {},
         "f:3: address 00000012 gets 58 here and 43 on line 1"},
        {"disagree across extended addresses", I(4, 0, B({0x00, 0x01})) + I(0, 0, "A") + I(4, 0, B({0x00, 0x00})) + I(4, 0, B({0x00, 0x01})) +
                                                   I(0, 0, "B"), {}, "f:5: address 00010000 gets 42 here and 41 on line 2"},
        {"past 32 bits", I(4, 0, B({0xFF, 0xFF})) + I(0, 0xFFFF, "AB"), {}, "f:2: data past address FFFFFFFF"},
        {"not a record", I(0, 0, "A") + "S1030000FC\r\n", {}, "f:2: not an Intel hex record"},
    };
    for (const Case &c : cases)
        Check(c);
}

TEST(ImageRead, SRecordsOfEveryType)
{
    const std::string header = S(0, 0, 2, "hdr");
    const Case cases[] = {
        {"S1 with header, count and S9", header + S(1, 0x10, 2, B({0x01, 0x02, 0x03, 0x04})) + S(5, 1, 2, "") + S(9, 0x10, 2, ""),
         {{0x10, B({0x01, 0x02, 0x03, 0x04})}}, "", 0x10},
        {"dabrix's own example", "S107001001020304DE\n", {{0x10, B({0x01, 0x02, 0x03, 0x04})}}, ""},
        {"S2 and S8", S(2, 0x123456, 3, "AB") + S(8, 0x123456, 3, ""), {{0x123456, "AB"}}, "", 0x123456},
        {"S3 and S7", S(3, 0xFFFFFFFE, 4, "AB") + S(7, 0x80000000, 4, ""), {{0xFFFFFFFE, "AB"}}, "", 0x80000000},
        {"S6 count", S(3, 0, 4, "A") + S(3, 1, 4, "B") + S(6, 2, 3, ""), {{0, "AB"}}, ""},
        {"out of order", S(2, 0x10002, 3, "CD") + S(2, 0x10000, 3, "AB"), {{0x10000, "ABCD"}}, ""},
        {"bad checksum", S(1, 0, 2, "A") + "S107001001020304DF\n", {}, "f:2: bad checksum DF, the record's bytes want DE"},
        {"count too large", "S108001001020304DD\n", {}, "f:1: bad length: the count says 8 bytes follow it, the line holds 7"},
        {"count below the address", "S2030000FC\n", {}, "f:1: too short for an S2 record"},
        {"S4", "S4030000FC\n", {}, "f:1: S4 is no record type"},
        {"wrong count record", S(1, 0, 2, "A") + S(5, 2, 2, ""), {}, "f:2: the count record says 2 data records, the file has 1"},
        {"disagree", S(1, 0, 2, "AB") + S(2, 1, 3, "C"), {}, "f:2: address 00000001 gets 43 here and 42 on line 1"},
        {"S3 past 32 bits", S(3, 0xFFFFFFFF, 4, "AB"), {}, "f:1: data past address FFFFFFFF"},
        {"a lower-case s", S(1, 0, 2, "A") + "s1030000FC\n", {}, "f:2: not an S-record"},
        {"after S9", S(9, 0, 2, "") + S(1, 0, 2, "A"), {}, "f:2: a record after the end record of line 1"},
    };
    for (const Case &c : cases)
        Check(c);
}

TEST(ImageRead, FormatByContentOrAsTold)
{
    // A binary that happens to begin like a record, read as what it is when told.
    Check({"binary told", ":0", {{0, ":0"}}, ""}, ImageFormat::Binary);
    Check({"random bytes", std::string("\x00\xFF:1", 4), {{0, std::string("\x00\xFF:1", 4)}}, ""});
    Check({"records told", B({0x01, 0x02}), {}, "f:1: not an Intel hex record"}, ImageFormat::IntelHex);
    EXPECT_EQ(FormatOfContent("\r\n  :10"), ImageFormat::IntelHex);
    EXPECT_EQ(FormatOfContent("S00600004844521B"), ImageFormat::SRecord);
    EXPECT_EQ(FormatOfContent("Sx"), ImageFormat::Binary);
    EXPECT_EQ(FormatOfContent(""), ImageFormat::Binary);

    ImageRead read;
    std::string error;
    EXPECT_EQ(ParseImage(std::string(16, 'x'), "big", ImageFormat::Binary, 0xFFFFFFF8u, read, error), ReadOutcome::Bad);
    EXPECT_EQ(error, "big: from FFFFFFF8 its 16 bytes pass address FFFFFFFF");
    EXPECT_EQ(ParseImage(I(0, 0, "A"), "f", ImageFormat::ByContent, 0, read, error), ReadOutcome::Read);
    EXPECT_EQ(read.warnings, std::vector<std::string>{"f: no end record: the file may be cut short"});
    EXPECT_EQ(ReadImage("/nonexistent/f.hex", ImageFormat::ByContent, 0, read, error), ReadOutcome::NotOpened);
    EXPECT_EQ(error, "Couldn't open \"/nonexistent/f.hex\" for read");
}
