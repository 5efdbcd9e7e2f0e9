// The command dialogue at the prompt, driven through promsim's pseudo-terminal.
#include <gtest/gtest.h>

#include "session.h"

namespace zmtest {
namespace {

TEST(PromsimCommands, GreetsWithThePromptAndAnswersEachCommand)
{
    Session s;
    ASSERT_TRUE(s.peer.IsOpen()) << "no line at \"" << s.sim.Path() << "\"";
    EXPECT_EQ(s.greeting, "\r\n>");

    struct Case {
        const char *sent;
        const char *answer;
    } cases[] = {
        {"\r", "\r\n>"},
        {"\r\n", "\r\n>"},          // one line end, one prompt
        {"I", "\r\n>"},
        {"\n", "\r\n>"},
        {"M", "\r\n>"},
        {"i", "\r\n>"},
        {"Q", "?\r\n>"},
        {"#", "?\r\n>"},
        {"\x1b", "?\r\n>"},
        {"\xff", "?\r\n>"},
        {"X", " "},                // answered with a space, no echo
        {"\x1b", "\r\n>"},
        {"U", ""},                 // waits for its offset character
        {"G", "?\r\n>"},
        {"UZ", "?\r\n>"},
        {"U3", "?\r\n>"},          // 3000 hex lies beyond a memory of 2000
    };
    for (const auto &c : cases) {
        s.peer.Send(c.sent);
        std::string expected = c.answer;
        std::string got = expected.empty() ? s.peer.ReadQuiet(200) : s.peer.ReadCount(expected.size());
        EXPECT_EQ(got, expected) << "after sending \"" << c.sent << "\"";
    }
    EXPECT_EQ(s.peer.ReadQuiet(200), "") << "nothing further may follow an answer";
}

TEST(PromsimCommands, StrayRecordLinesAtThePromptGetOneErrorMarkEach)
{
    Session s;
    ASSERT_TRUE(s.peer.IsOpen());
    // What a download leaves behind after its end record: more lines, then a lone CR.
    s.peer.Send(":10000000000102030405060708090A0B0C0D0E0F78\r\nS1130000000102030405060708090A0B0C0D0E0F74\r\n\r");
    EXPECT_EQ(s.peer.ReadQuiet(300), "?\r\n>?\r\n>\r\n>");
    // The line after a stray record is a command again.
    EXPECT_EQ(s.peer.Command("I"), "\r\n>");
}

TEST(PromsimCommands, KeepsReadingWhileThePeerDoesNotReadAndLosesNothing)
{
    Session s;
    ASSERT_TRUE(s.peer.IsOpen());
    // Far more than a pseudo-terminal holds either way: promsim must go on taking
    // bytes while its answers pile up unread.
    const size_t count = 200000;
    s.peer.Send(std::string(count, '\r'));
    std::string answers = s.peer.ReadQuiet(1000, 60000);
    EXPECT_EQ(answers.size(), count * 3);
    EXPECT_EQ(answers.find_first_not_of("\r\n>"), std::string::npos);
}

TEST(PromsimCommands, ProgramsAndVerifiesTheChipLikeAnEprom)
{
    Session s;
    ASSERT_TRUE(s.peer.IsOpen());
    // Erased memory on an erased chip.
    EXPECT_EQ(s.peer.Command("V"), "\r\nVerify OK\r\n>");
    // 0000 := 3C, then the chip differs until it is programmed.
    EXPECT_EQ(s.peer.Command("X0\r3C\r"), " \r\n0000=FF\r\n0001=FF\r\n>");
    EXPECT_EQ(s.peer.Command("V"), "\r\nVerify failed at 0000: chip FF, memory 3C\r\n>");
    EXPECT_EQ(s.peer.Command("P"), "\r\nProgram OK\r\n>");
    EXPECT_EQ(s.peer.Command("v"), "\r\nVerify OK\r\n>");
    // A bit that is 0 on the chip cannot be set again: 3C -> C3 fails.
    EXPECT_EQ(s.peer.Command("X0\rC3\r"), " \r\n0000=3C\r\n0001=FF\r\n>");
    EXPECT_EQ(s.peer.Command("P"), "\r\nProgram failed at 0000: chip 00, memory C3\r\n>");
    EXPECT_EQ(s.peer.Command("V"), "\r\nVerify failed at 0000: chip 00, memory C3\r\n>");
}

} // namespace
} // namespace zmtest
