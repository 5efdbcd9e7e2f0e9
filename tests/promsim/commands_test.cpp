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

TEST(PromsimCommands, ChipsChangedBetweenProgramsAndChipsWithAStuckBit)
{
    struct Case {
        std::vector<std::string> options;
        std::vector<std::pair<const char *, const char *>> dialogue;
        // With --save-chips: each chip as its "P" left it.
        std::vector<std::string> chips;
    } cases[] = {
        // A fresh chip for each "P": what the last chip could not take, the next one can.
        {{"--fresh-chips"},
         {{"X0\r3C\r", " \r\n0000=FF\r\n0001=FF\r\n>"},
          {"P", "\r\nProgram OK\r\n>"},
          {"X0\rC3\r", " \r\n0000=3C\r\n0001=FF\r\n>"},
          {"V", "\r\nVerify failed at 0000: chip 3C, memory C3\r\n>"},
          {"P", "\r\nProgram OK\r\n>"},
          {"V", "\r\nVerify OK\r\n>"}},
         {}},
        // Chip 2 is bad: the lowest 1 bit of the first byte that has one (0000=3C: bit 2).
        {{"--fresh-chips", "--bad-chips", "2,4"},
         {{"X0\r3C\r", " \r\n0000=FF\r\n0001=FF\r\n>"},
          {"P", "\r\nProgram OK\r\n>"},
          {"P", "\r\nProgram failed at 0000: chip 38, memory 3C\r\n>"},
          {"V", "\r\nVerify failed at 0000: chip 38, memory 3C\r\n>"},
          {"P", "\r\nProgram OK\r\n>"},
          {"V", "\r\nVerify OK\r\n>"}},
         {"\x3c" + std::string(15, '\xff'), "\x38" + std::string(15, '\xff'), "\x3c" + std::string(15, '\xff')}},
        // Where memory is FF the byte is not written: only "V" finds the stuck bit.
        {{"--fresh-chips", "--bad-chips", "1"},
         {{"X0\r00\r", " \r\n0000=FF\r\n0001=FF\r\n>"},
          {"P", "\r\nProgram OK\r\n>"},
          {"V", "\r\nVerify failed at 0001: chip FE, memory FF\r\n>"},
          {"P", "\r\nProgram OK\r\n>"},
          {"V", "\r\nVerify OK\r\n>"}},
         {}},
        // Without fresh chips the bad chip stays in the socket.
        {{"--bad-chips", "1"},
         {{"P", "\r\nProgram OK\r\n>"},
          {"P", "\r\nProgram OK\r\n>"},
          {"V", "\r\nVerify failed at 0000: chip FE, memory FF\r\n>"}},
         {}},
    };
    for (const auto &c : cases) {
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--size", "10"});
        const std::string dir = TempDir();
        if (!c.chips.empty())
            options.insert(options.end(), {"--save-chips", dir});
        Session s(options);
        ASSERT_TRUE(s.peer.IsOpen());
        for (const auto &[sent, answer] : c.dialogue)
            EXPECT_EQ(s.peer.Command(sent), answer) << "after \"" << sent << "\" with " << options[0];
        for (size_t n = 1; n <= c.chips.size(); ++n)
            EXPECT_EQ(ReadFile(dir + "/chip-" + std::to_string(n) + ".bin"), c.chips[n - 1]) << "chip " << n;
    }
}

TEST(PromsimCommands, ProgramTimeKeepsTheLineQuietAndTheInputThatCameMeanwhile)
{
    Session s({"--program-time", "1000", "--fresh-chips", "--size", "10"});
    ASSERT_TRUE(s.peer.IsOpen());
    auto start = Peer::Clock::now();
    s.peer.Send("P");
    EXPECT_EQ(s.peer.ReadQuiet(200), "");
    // Typed while the chip is programmed: answered in order after the program's prompt.
    s.peer.Send("V\r");
    std::string got = s.peer.ReadUntil("Verify OK\r\n>\r\n>", 10000);
    double seconds = std::chrono::duration<double>(Peer::Clock::now() - start).count();
    EXPECT_EQ(got, "\r\nProgram OK\r\n>\r\nVerify OK\r\n>\r\n>");
    EXPECT_GE(seconds, 1.0);
}

} // namespace
} // namespace zmtest
