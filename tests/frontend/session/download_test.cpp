// "download hex" against a programmer played by the test: what goes over the wire and into
// the trace, line ends of every kind, Stop, and each way the transfer can fail.
#include <chrono>

#include "session_test_support.h"

using namespace zmtest;

namespace {

struct Download {
    std::string wire;  // everything zm32 sent
    std::vector<std::string> boxes;
    TransferEnd end;
};

// Runs one download of a file with `content` (or of `path` when given) and returns the wire.
Download RunDownload(const std::string &content, const std::string &path = {},
                     const std::function<void(Session &)> &prepare = {})
{
    ScriptedPeer peer;
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    if (prepare)
        prepare(s->session);
    const TransferEnd end = s->session.DownloadHex(path.empty() ? dir.Write("in.hex", content) : path);
    ExpectTerminalMode(*s);
    return {peer.Finish(), s->host.boxes, end};
}

std::string Wire(const std::vector<std::string> &lines)
{
    std::string wire = "IT";
    for (const auto &line : lines)
        wire += line + "\r\n";
    return wire + "\r";
}

const std::string kData1 = ":0400000001020304F2";
const std::string kData2 = ":02000400AABB93";
const std::string kEnd = ":00000001FF";

} // namespace

TEST(Download, LineEndsOfEveryKindSendTheSameRecords)
{
    const std::string a(401, 'A');
    const std::string b(49, 'B');
    struct Case {
        const char *name;
        std::string file;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF", kData1 + "\r\n" + kData2 + "\r\n" + kEnd + "\r\n", {kData1, kData2, kEnd}},
        {"CR", kData1 + "\r" + kData2 + "\r" + kEnd + "\r", {kData1, kData2, kEnd}},
        {"LF", kData1 + "\n" + kData2 + "\n" + kEnd + "\n", {kData1, kData2, kEnd}},
        {"no end after the last line", kData1 + "\r\n" + kEnd, {kData1, kEnd}},
        {"LF file without the last LF", kData1 + "\n" + kEnd, {kData1, kEnd}},
        {"mixed", "A\rB\nC\r\nD", {"A", "B", "C", "D"}},
        {"empty lines", "\r\r\n\n" + kEnd + "\r\n", {"", "", "", kEnd}},
        {"LF then CR", "A\n\rB\r", {"A", "", "B"}},
        {"empty file", "", {}},
        {"long line in pieces", a + b + "\r\n" + kEnd + "\r\n", {a, b, kEnd}},
        {"exactly one piece", a + "\r\n", {a, ""}},
        {":00 lines are the end record", ":0000000000\r\n:00000001ff\r\n:00123400AB\r\n:0", {kEnd, kEnd, kEnd, ":0"}},
        {"lines after the end record", kEnd + "\r\n" + kData1 + "\r\n", {kEnd, kData1}},
    };
    for (const Case &c : cases) {
        const Download d = RunDownload(c.file);
        EXPECT_EQ(d.wire, Wire(c.lines)) << c.name;
        EXPECT_TRUE(d.boxes.empty()) << c.name;
        EXPECT_EQ(d.end, TransferEnd::Completed) << c.name;
    }
}

TEST(Download, TraceAndEchoShowEveryByteSent)
{
    ScriptedPeer peer;
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    const std::string trace = StartTrace(*s, dir);
    EXPECT_EQ(s->session.DownloadHex(dir.Write("in.hex", kData2 + "\r\n" + kEnd + "\r\n")),
              TransferEnd::Completed);

    EXPECT_EQ(peer.Finish(), Wire({kData2, kEnd}));
    EXPECT_EQ(TraceOf(*s, trace), "\r\n-----------------------\r\npIT" + kData2 +
                                         "<CR><LF>\r\n" + kEnd + "<CR><LF><CR>");
    // The echo: the line break first, then what was sent, line ends by name; the final CR
    // is not echoed.
    EXPECT_EQ(s->host.pane, "<CR><LF>\nIT" + kData2 + "<CR><LF>\n" + kEnd + "<CR><LF>");
    EXPECT_TRUE(s->host.boxes.empty());
}

TEST(Download, EchoOffShowsNothing)
{
    ScriptedPeer peer;
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    s->session.Settings().echo = false;
    s->session.DownloadHex(dir.Write("in.hex", kEnd + "\r\n"));
    EXPECT_EQ(peer.Finish(), Wire({kEnd}));
    EXPECT_EQ(s->host.pane, "<CR><LF>");
}

TEST(Download, EveryCharacterIsPaced)
{
    const std::string line(40, '1');
    const auto start = std::chrono::steady_clock::now();
    const Download d = RunDownload(line + "\r\n", {}, [](Session &session) { session.Settings().delayms = 5; });
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(d.wire, Wire({line}));
    // 42 paced characters of 5 ms, beside the two waits of 200 ms.
    EXPECT_GE(took, std::chrono::milliseconds(400 + 42 * 5));
}

TEST(Download, FileThatCannotBeOpenedSendsNothing)
{
    TempDir dir;
    const std::string missing = dir.File("missing.hex");
    const Download d = RunDownload({}, missing);
    EXPECT_EQ(d.wire, "");
    EXPECT_EQ(d.boxes, std::vector<std::string>{"Couldn't open \"" + missing + "\" for read"});
    EXPECT_EQ(d.end, TransferEnd::FileNotOpened);
}

TEST(Download, ReadErrorIsReportedAndEndsTheTransfer)
{
    TempDir dir;
    // A directory opens for reading, but every read of it fails: the file is read whole
    // before the first byte, so nothing is sent.
    const Download d = RunDownload({}, dir.Path());
    EXPECT_EQ(d.wire, "");
    EXPECT_EQ(d.boxes, std::vector<std::string>{"Couldn't read \"" + dir.Path() + "\""});
    EXPECT_EQ(d.end, TransferEnd::FileNotOpened);
}

TEST(Download, StopDuringTheFirstLineSendsThatLineAndTheFinalCr)
{
    ScriptedPeer peer;
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    StopClicker stop(*s);
    EXPECT_EQ(s->session.DownloadHex(dir.Write("in.hex", kData1 + "\r\n" + kData2 + "\r\n" + kEnd + "\r\n")),
              TransferEnd::Stopped);
    EXPECT_TRUE(stop.Clicked());
    EXPECT_EQ(peer.Finish(), "IT" + kData1 + "\r");
    ExpectTerminalMode(*s);
}

TEST(Download, FailedSendStopsWithAnErrorAndEndsAsAfterStop)
{
    std::string file;
    for (int i = 0; i < 2000; ++i)
        file += kData1 + "\r\n";
    for (size_t hangup : {1u, 2u, 500u}) {
        ScriptedPeer peer({}, hangup);
        TempDir dir;
        auto s = StartSession(peer.PortArg());
        EXPECT_EQ(s->session.DownloadHex(dir.Write("in.hex", file)), TransferEnd::Failed) << hangup;
        EXPECT_EQ(s->host.boxes, std::vector<std::string>{"Couldn't send to the programmer (-4)"}) << hangup;
        const std::string wire = peer.Finish();
        EXPECT_TRUE(peer.HungUp());
        EXPECT_EQ(wire, Wire(std::vector<std::string>(2000, kData1)).substr(0, hangup));
        ExpectTerminalMode(*s);
    }
}

TEST(Download, KeyTypedDuringTheDownloadGoesBetweenLinesInWireAndPane)
{
    ScriptedPeer peer;
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    s->session.Settings().delayms = 2;
    bool typed = false;
    s->host.onMessages = [&] {
        if (!typed && s->host.stopShown) {
            typed = true;
            s->session.KeyPress('k');
        }
    };
    s->session.DownloadHex(dir.Write("in.hex", kData1 + "\r\n" + kEnd + "\r\n"));
    ASSERT_TRUE(typed);
    EXPECT_EQ(peer.Finish(), "IT" + kData1 + "K\r\n" + kEnd + "\r\n\r");
    EXPECT_EQ(s->host.pane, "<CR><LF>\nIT" + kData1 + "K<CR><LF>\n" + kEnd + "<CR><LF>");
}
