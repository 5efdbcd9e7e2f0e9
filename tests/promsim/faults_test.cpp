// The fault options and the pace of the line, seen from the peer's side.
#include <gtest/gtest.h>

#include "session.h"

namespace zmtest {
namespace {

TEST(PromsimFaults, SilentReadsAndActsButSendsNothing)
{
    std::string dir = TempDir();
    Session s({"--silent", "--save", dir + "/mem.bin", "--size", "10"}, 300);
    ASSERT_TRUE(s.peer.IsOpen());
    EXPECT_EQ(s.greeting, "");
    s.peer.Send("V\rX0\rQ\rT:0400000001020304F2\r\n:00000001FF\r\n");
    EXPECT_EQ(s.peer.ReadQuiet(500), "");
    EXPECT_EQ(s.sim.Stop(), 0);
    EXPECT_EQ(ReadFile(dir + "/mem.bin"), std::string("\x01\x02\x03\x04", 4) + std::string(12, '\xff'));
}

TEST(PromsimFaults, StallSendsTheFirstBytesThenNothingButKeepsReading)
{
    Session s({"--stall-after", "10"});
    ASSERT_TRUE(s.peer.IsOpen());
    EXPECT_EQ(s.greeting, "\r\n>");
    s.peer.Send("V");
    EXPECT_EQ(s.peer.ReadQuiet(400), "\r\nVerif");
    // Still reading and alive: a large burst goes in without blocking, nothing comes out.
    s.peer.Send(std::string(100000, '\r'));
    std::string after;
    EXPECT_FALSE(s.peer.WaitHangup(500, &after));
    EXPECT_EQ(after, "");
    EXPECT_EQ(s.sim.Stop(), 0);
}

TEST(PromsimFaults, HangupClosesTheLineAfterExactlyNBytes)
{
    Session s({"--hangup-after", "8"});
    ASSERT_TRUE(s.peer.IsOpen());
    s.peer.Send("X0\r");
    std::string received;
    EXPECT_TRUE(s.peer.WaitHangup(5000, &received));
    EXPECT_EQ(s.greeting + received, "\r\n> \r\n00");
    EXPECT_TRUE(s.sim.WaitExit(5000)) << "promsim ends with its line";
    EXPECT_EQ(s.sim.Stop(), 0);
}

TEST(PromsimFaults, GarbageKeepsTheCountButNoProtocolByte)
{
    Session s({"--garbage"}, 300);
    ASSERT_TRUE(s.peer.IsOpen());
    std::string got = s.greeting.empty() ? s.peer.ReadCount(3) : s.greeting;
    s.peer.Send("V");
    got += s.peer.ReadCount(14, 2000);
    EXPECT_EQ(got.size(), 3u + 14u);
    for (unsigned char c : got)
        EXPECT_GE(c, 0x80) << "a garbage byte inside the protocol's range";
    EXPECT_EQ(s.peer.ReadQuiet(300), "");
}

TEST(PromsimFaults, RateNeverSendsFasterThanTheLineAndLosesNothing)
{
    // 2 records of 16 bytes, the end record and the prompt: 44 + 44 + 12 + 3 bytes.
    Session s({"--rate", "200", "--size", "20", "--upload-delay", "0"});
    ASSERT_TRUE(s.peer.IsOpen());
    auto start = Peer::Clock::now();
    s.peer.Send("U0");
    std::string got = s.peer.ReadUntil("\r\n>", 10000);
    double seconds = std::chrono::duration<double>(Peer::Clock::now() - start).count();
    EXPECT_EQ(got,
              ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r"
              ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0\r"
              ":00000001FF\r\r\n>");
    // 103 bytes at 200 a second cannot arrive in under half a second.
    EXPECT_GE(seconds, 0.5);
}

} // namespace
} // namespace zmtest
