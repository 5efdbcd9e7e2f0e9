#include <gtest/gtest.h>

#include <filesystem>

#include "pty_pair.h"
#include "bytelayer.h"
#include "in_directory.h"
#include "settings.h"
#include "zmhwcomm.h"

namespace {

const std::string kSeparator = "\r\n-----------------------";

TEST(CharName, SingleBytes)
{
    struct Case {
        int32_t value;
        bool showSpace;
        std::string name;
    };
    const Case cases[] = {
        {32, true, "< >"}, {32, false, " "},   {7, true, "<7>"},      {26, true, "<1A>"},
        {0, true, "<0>"},  {31, true, "<1F>"}, {-1, true, "(-1)"},    {-4, false, "(-4)"},
        {127, true, "\x7f"}, {255, true, "\xff"}, {0x141, true, "A"}, {33, true, "!"},
        {6, true, "<ACK>"}, {21, true, "<NAK>"}, {27, true, "<ESC>"}, {kNoCharacter, true, ""},
        {INT32_MIN, true, "(-2147483648)"},
    };
    for (const Case &c : cases) {
        CharNameState state;
        EXPECT_EQ(CharName(state, c.value, c.showSpace), c.name) << c.value;
        EXPECT_FALSE(state.lineEnd);
        EXPECT_FALSE(state.pendingBreak);
    }
}

TEST(CharName, LineBreaksComeBeforeTheNextCharacter)
{
    const std::vector<std::vector<std::pair<int32_t, std::string>>> runs = {
        {{13, "<CR>"}, {10, "<LF>"}, {'A', "\r\nA"}, {'B', "B"}},
        {{10, "<LF>"}, {kNoCharacter, "\r\n"}, {kNoCharacter, ""}},
        {{13, "<CR>"}, {-1, "\r\n(-1)"}},
        {{13, "<CR>"}, {32, "\r\n< >"}, {13, "<CR>"}, {13, "<CR>"}, {7, "\r\n<7>"}},
    };
    for (const auto &run : runs) {
        CharNameState state;
        for (const auto &[value, name] : run) {
            EXPECT_EQ(CharName(state, value, true), name) << value;
            EXPECT_EQ(state.lineEnd, value == 10 || value == 13);
            EXPECT_EQ(state.pendingBreak, value == 10 || value == 13);
        }
    }
}

// A byte layer on a real line: the library opens the slave of a pseudo-terminal.
class TraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.log = dir.File("trace.txt");
        ASSERT_FALSE(pty.Path().empty());
        ASSERT_EQ(zmhwOpen(&port, kPort, 9600, 8, 0, 'N', 0), 0);
    }
    void TearDown() override { zmhwClose(&port); }

    int32_t Receive()
    {
        zmtest::Eventually([&] { return zmhwRXQ(port) > 0; });
        return bytes.ReceiveByte();
    }
    std::string Log() const { return zmtest::ReadFile(settings.log); }

    static constexpr int kPort = 4711;
    zmtest::TempDir dir;
    zmtest::PtyPair pty;
    zmtest::ComMapping mapping{kPort, pty.Path()};
    intptr_t port = 0;
    ZM32OP settings;
    ByteLayer bytes{port, settings};
};

TEST_F(TraceTest, RunsOfSentAndReceivedBytes)
{
    EXPECT_EQ(bytes.SendByte('I'), 0);
    EXPECT_EQ(bytes.SendByte('T'), 0);
    EXPECT_EQ(pty.PeerRead(2), "IT");
    ASSERT_TRUE(pty.PeerWrite("0\r\n> "));
    for (const int expected : {'0', '\r', '\n', '>', ' '})
        EXPECT_EQ(Receive(), expected);
    EXPECT_TRUE(bytes.TraceIsOpen());
    EXPECT_EQ(Log(), kSeparator + "\r\npIT\r\ng0<CR><LF>\r\n>< >");
}

TEST_F(TraceTest, RestartEndsTheLineAndStartsAnew)
{
    zmtest::WriteFile(settings.log, "old");
    bytes.TraceRestart();  // at start-up: opens the file and writes the separator
    EXPECT_TRUE(bytes.TraceIsOpen());
    EXPECT_EQ(Log(), "old" + kSeparator + "\r\n");
    bytes.SendByte('\r');
    bytes.TraceRestart();  // a break is pending: the flush writes it
    bytes.SendByte('A');
    bytes.TraceRestart();  // none pending
    EXPECT_EQ(Log(), "old" + kSeparator + "\r\n" + kSeparator + "\r\np<CR>\r\n\r\n" + kSeparator +
                         "\r\npA\r\n");
}

TEST_F(TraceTest, CloseReopensAndAppendsOnTheNextByte)
{
    bytes.SendByte('A');
    bytes.TraceClose();
    EXPECT_FALSE(bytes.TraceIsOpen());
    bytes.SendByte('B');
    EXPECT_TRUE(bytes.TraceIsOpen());
    EXPECT_EQ(Log(), kSeparator + "\r\npAB");
}

TEST_F(TraceTest, PiecesOverTwoThousandCharactersAreDropped)
{
    bytes.TraceWrite("x%s", {std::string(ByteLayer::kMaxTracePiece, 'a')});
    bytes.TraceWrite("y%s", {std::string(ByteLayer::kMaxTracePiece - 1, 'b')});
    bytes.TraceWrite("y%s", {std::string(ByteLayer::kMaxTracePiece + 1, 'c')});
    bytes.TraceWrite("y%s", {"d"});
    EXPECT_EQ(Log(), kSeparator + "\r\n" + "\r\ny" + std::string(ByteLayer::kMaxTracePiece - 1, 'b') + "d");
}

TEST_F(TraceTest, BadFormatIsTracedAsItsErrorText)
{
    bytes.TraceWrite("p%d", {"x"});
    EXPECT_EQ(Log().rfind(kSeparator + "\r\nFormat() error in program!\r\n", 0), 0u);
}

TEST_F(TraceTest, LogThatCannotBeOpenedTurnsTracingOff)
{
    settings.log = dir.File("sub/trace.txt");
    EXPECT_EQ(bytes.SendByte('A'), 0);
    EXPECT_FALSE(bytes.TraceIsOpen());
    std::filesystem::create_directory(dir.File("sub"));
    bytes.SendByte('B');
    EXPECT_FALSE(bytes.TraceIsOpen());  // until the next restart
    bytes.TraceRestart();
    EXPECT_TRUE(bytes.TraceIsOpen());
    bytes.SendByte('C');
    EXPECT_EQ(Log(), kSeparator + "\r\npC");
    EXPECT_EQ(pty.PeerRead(3), "ABC");  // sending never depended on the log
}

TEST(ByteLayer, NoLogNoPort)
{
    const intptr_t port = 0;
    const ZM32OP settings;
    ByteLayer bytes(port, settings);
    EXPECT_EQ(bytes.SendByte('A'), -4);
    EXPECT_EQ(bytes.ReceiveByte(), -4);
    bytes.TraceRestart();
    EXPECT_FALSE(bytes.TraceIsOpen());
}

}  // namespace
