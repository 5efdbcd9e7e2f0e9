// The examine command "X": display, stepping, changing bytes, and a binary upload
// done exactly as the front-end does it.
#include <gtest/gtest.h>

#include "session.h"

namespace zmtest {
namespace {

// What the front-end's binary upload does: "X", wait for the space, the address and
// CR; then per byte wait for "=" (as a subsequence), take two characters, send a
// space; CR after the last byte.
std::string UploadBinary(Peer &peer, const std::string &address, size_t count)
{
    peer.Send("X");
    if (peer.ReadUntil(" ", 2000).find(' ') == std::string::npos)
        return "missing space";
    peer.Send(address + "\r");
    std::string bytes;
    for (size_t i = 0; i < count; ++i) {
        std::string c;
        while ((c = peer.ReadCount(1, 2000)) != "=")
            if (c.empty())
                return bytes + "|missing =";
        std::string two = peer.ReadCount(2, 2000);
        if (two.size() != 2)
            return bytes + "|short";
        bytes += char(std::stoi(two, nullptr, 16));
        peer.Send(i + 1 < count ? " " : "\r");
    }
    return bytes;
}

TEST(PromsimExamine, ShowsStepsAndChangesBytes)
{
    std::string dir = TempDir();
    WriteFile(dir + "/start.bin", std::string("\x3F\x00\x7E\xA5", 4));
    Session s({"--image", dir + "/start.bin", "--size", "10"});
    ASSERT_TRUE(s.peer.IsOpen());

    struct Step {
        const char *sent;
        const char *answer;
    } steps[] = {
        {"X", " "},
        {"0000\r", "\r\n0000=3F"},
        {" ", "\r\n0001=00"},
        {"4", ""},                     // half a value: nothing yet
        {"2", "\r\n0002=7E"},          // 0001 := 42, on to the next byte
        {"g", "?\r\n0002=7E"},         // not a digit: the same byte again
        {"5 ", "\r\n0003=A5"},         // a lone digit is dropped by the space
        {"\r", "\r\n>"},
        {"x1\r", " \r\n0001=42"},      // the change held; short addresses are fine
        {"\x1b", "\r\n>"},
        {"X000F\r", " \r\n000F=FF"},
        {" ", "\r\nEnd of memory\r\n>"},
        {"X10\r", " ?\r\n>"},          // beyond a memory of 10 hex
        {"X\r", " ?\r\n>"},            // no address at all
        {"X123456789", " ?\r\n>"},     // more than eight digits
        {"XZ", " ?\r\n>"},
    };
    for (const auto &step : steps) {
        s.peer.Send(step.sent);
        std::string expected = step.answer;
        std::string got = expected.empty() ? s.peer.ReadQuiet(200) : s.peer.ReadCount(expected.size());
        EXPECT_EQ(got, expected) << "after sending \"" << step.sent << "\"";
    }
    EXPECT_EQ(s.peer.ReadQuiet(200), "");
}

TEST(PromsimExamine, ServesTheFrontEndsBinaryUploadByteForByte)
{
    std::string dir = TempDir();
    std::string image = RandomBytes(0x2000, 7);
    WriteFile(dir + "/start.bin", image);
    Session s({"--image", dir + "/start.bin"});
    ASSERT_TRUE(s.peer.IsOpen());

    EXPECT_TRUE(SameBytes(UploadBinary(s.peer, "0000", 0x400), image.substr(0, 0x400)));
    EXPECT_EQ(s.peer.ReadUntil("\r\n>"), "\r\n>") << "CR after the last byte returns to the prompt";
    EXPECT_EQ(UploadBinary(s.peer, "1FF0", 0x10), image.substr(0x1FF0, 0x10));
    s.peer.ReadUntil("\r\n>");
    // Reading on past the end: the device says so instead of inventing bytes.
    EXPECT_EQ(UploadBinary(s.peer, "1FFE", 3), image.substr(0x1FFE, 2) + "|missing =");
}

} // namespace
} // namespace zmtest
