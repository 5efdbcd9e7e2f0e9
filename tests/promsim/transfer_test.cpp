// "T" and "U": record files in, memory out, checked against objcopy as an
// independent reader and writer of both formats.
#include <gtest/gtest.h>

#include "session.h"

namespace zmtest {
namespace {

// "U" with offset character `offset`; returns the record lines as sent (CR only).
std::string Upload(Peer &peer, char offset)
{
    peer.Send(std::string("U") + offset);
    return peer.ReadUntil("\r\n>", 20000);
}

struct FormatCase {
    const char *command;
    const char *bfd;
};

TEST(PromsimTransfer, WhatTReceivesUGivesBackInBothFormats)
{
    const FormatCase formats[] = {{"I", "ihex"}, {"M", "srec"}};
    for (const auto &f : formats) {
        SCOPED_TRACE(f.command);
        std::string dir = TempDir();
        std::string image = RandomBytes(0x2000, 11);
        WriteFile(dir + "/image.bin", image);
        std::string records = Objcopy("binary", f.bfd, dir + "/image.bin", dir + "/image.rec");
        Session s;
        ASSERT_TRUE(s.peer.IsOpen());

        EXPECT_EQ(Download(s.peer, records, f.command), "\r\nTransfer OK: 8192 bytes in 512 records\r\n>");
        s.peer.Send("\r");   // the front-end's final CR
        EXPECT_EQ(s.peer.ReadUntil("\r\n>"), "\r\n>");

        std::string sent = Upload(s.peer, '0');
        ASSERT_GE(sent.size(), 3u);
        EXPECT_EQ(sent.find('\n'), sent.size() - 2) << "record lines end with CR alone";
        std::string lines = sent.substr(0, sent.size() - 3);
        EXPECT_EQ(Lines(lines).size(), 513u);
        EXPECT_EQ(Lines(lines).back(), std::string(f.command) == "I" ? ":00000001FF" : "S9030000FC");
        WriteFile(dir + "/back.rec", lines);
        EXPECT_TRUE(SameBytes(Objcopy(f.bfd, "binary", dir + "/back.rec", dir + "/back.bin"), image));
    }
}

TEST(PromsimTransfer, UploadStartsAtTheOffsetAndLargeMemoriesUseWideAddresses)
{
    std::string dir = TempDir();
    std::string image = RandomBytes(0x14000, 5);
    WriteFile(dir + "/image.bin", image);
    Session s({"--image", dir + "/image.bin", "--size", "14000", "--upload-delay", "0"});
    ASSERT_TRUE(s.peer.IsOpen());

    std::string fromF000 = Upload(s.peer, 'f');
    auto lines = Lines(fromF000);
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 9), ":10F00000");
    EXPECT_EQ(lines[256], ":020000040001F9") << "the second 64 KiB is announced";
    WriteFile(dir + "/part.hex", fromF000.substr(0, fromF000.size() - 3));
    std::string part = Objcopy("ihex", "binary", dir + "/part.hex", dir + "/part.bin");
    EXPECT_TRUE(SameBytes(part, image.substr(0xF000)));

    s.peer.Command("M");
    std::string srec = Upload(s.peer, '0');
    EXPECT_EQ(srec.substr(0, 2), "S2");
    EXPECT_NE(srec.find("\rS804000000FB\r\r\n>"), std::string::npos);
    WriteFile(dir + "/all.srec", srec.substr(0, srec.size() - 3));
    EXPECT_TRUE(SameBytes(Objcopy("srec", "binary", dir + "/all.srec", dir + "/all.bin"), image));
}

TEST(PromsimTransfer, ReportsTheFirstBadRecordAndLeavesMemoryAlone)
{
    struct Case {
        const char *format;
        std::vector<std::string> lines;
        const char *answer;
    } cases[] = {
        {"I", {":0400000001020304F2", ":0400040001020304EF", ":00000001FF"},
         "Transfer failed, line 2: bad checksum"},
        {"I", {":04000000010203G4F2", ":00000001FF"}, "Transfer failed, line 1: bad hex"},
        {"I", {":0400000001020304F", ":00000001FF"}, "Transfer failed, line 1: bad hex"},
        {"I", {":0500000001020304F1", ":00000001FF"}, "Transfer failed, line 1: bad length"},
        {"I", {":0400000001020304F2", ":02000001FD"}, "Transfer failed, line 2: bad length"},
        {"I", {":0400000601020304EC", ":00000001FF"}, "Transfer failed, line 1: bad record type"},
        {"I", {":04200000010203040000", ":00000001FF"}, "Transfer failed, line 1: bad length"},
        {"I", {":0420000001020304D2", ":00000001FF"}, "Transfer failed, line 1: address beyond memory"},
        {"I", {"", "hello", ":00000001FF"}, "Transfer failed, line 2: not an Intel hex record"},
        {"I", {":" + std::string(600, '0'), ":00000001FF"}, "Transfer failed, line 1: bad length"},
        {"I", {"S107000001020304EE", "S9030000FC"}, "Transfer failed, line 1: S-record, but Intel format is selected"},
        {"M", {":0400000001020304F2", ":00000001FF"}, "Transfer failed, line 1: Intel record, but Motorola format is selected"},
        {"M", {"S107000001020304EF", "S9030000FC"}, "Transfer failed, line 1: bad checksum"},
        {"M", {"S4070000010203040E", "S9030000FC"}, "Transfer failed, line 1: bad record type"},
        {"M", {"S107200001020304CE", "S9030000FC"}, "Transfer failed, line 1: address beyond memory"},
        {"M", {"S107000001020304EE", "S9030000FD"}, "Transfer failed, line 2: bad checksum"},
        // Good ones: lower-case digits, blanks at the end, extended addresses, S0 and S5.
        {"I", {":020000020100FB", ":0400000001020304f2", ":00000001ff  "},
         "Transfer OK: 4 bytes in 1 record"},
        {"I", {":0400000001020304F2", ":01000001ff"}, "Transfer OK: 4 bytes in 1 record"},
        {"M", {"S00600004844521B", "S107000001020304EE", "S5030001FB", "S9030000FC"},
         "Transfer OK: 4 bytes in 1 record"},
    };
    for (const auto &c : cases) {
        std::string file;
        for (const auto &l : c.lines)
            file += l + "\r\n";
        SCOPED_TRACE(file);
        Session s;
        ASSERT_TRUE(s.peer.IsOpen());
        s.peer.Command(c.format);
        s.peer.Send("T" + file);
        EXPECT_EQ(s.peer.ReadUntil("\r\n>"), "\r\n" + std::string(c.answer) + "\r\n>");
        // Memory: changed only by a good transfer.
        std::string changed = std::string(c.answer).find("OK") != std::string::npos ? "=01" : "=FF";
        std::string at = c.lines[0] == ":020000020100FB" ? "1000" : "0000";
        s.peer.Send("X" + at + "\r");
        EXPECT_EQ(s.peer.ReadCount(10), " \r\n" + at + changed);
    }
}

TEST(PromsimTransfer, EscapeAbandonsATransferAndAnUpload)
{
    Session s({"--upload-delay", "0", "--rate", "2000"});
    ASSERT_TRUE(s.peer.IsOpen());
    s.peer.Send("T:0400000001020304F2\r\n");
    EXPECT_EQ(s.peer.Command("\x1b"), "\r\nTransfer aborted\r\n>");
    s.peer.Send("X0\r");
    EXPECT_EQ(s.peer.ReadCount(10), " \r\n0000=FF") << "memory unchanged";
    s.peer.Command("\r");

    // At 2000 bytes a second the upload of 2000 hex bytes takes about 12 s: stop it early.
    s.peer.Send("U0");
    std::string first = s.peer.ReadUntil("\r", 5000);
    EXPECT_EQ(first.substr(0, 9), ":10000000");
    s.peer.Send("\x1b");
    std::string rest = s.peer.ReadUntil("Upload aborted\r\n>", 10000);
    EXPECT_NE(rest.find("\r\nUpload aborted\r\n>"), std::string::npos);
    EXPECT_LT(rest.size(), 1000u) << "the upload stopped soon after ESC";
    EXPECT_EQ(s.peer.Command("V"), "\r\nVerify OK\r\n>");
}

TEST(PromsimTransfer, BytesTypedDuringAnUploadRunAfterIt)
{
    Session s({"--upload-delay", "300", "--size", "20"});
    ASSERT_TRUE(s.peer.IsOpen());
    s.peer.Send("U0V");
    std::string got = s.peer.ReadQuiet(800);
    EXPECT_EQ(got,
              ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r"
              ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0\r"
              ":00000001FF\r\r\n>\r\nVerify OK\r\n>");
}

} // namespace
} // namespace zmtest
