// "download hex" against a programmer played by the test: what goes over the wire and into
// the trace, line ends of every kind, Stop, and each way the transfer can fail.
#include <QTest>
#include <chrono>

#include "transfer_test_support.h"

using namespace zmtest;

namespace {

struct Download {
    std::string wire;  // everything zm32 sent
    std::vector<std::string> boxes;
};

// Runs one download of a file with `content` (or of `path` when given) and returns the wire.
Download RunDownload(const std::string &content, const std::string &path = {},
                     const std::function<void(TForm_main &)> &prepare = {})
{
    ScriptedPeer peer;
    TempDir dir;
    BoxAnswerer boxes;
    auto form = StartTerminal(peer.PortArg());
    DialogAnswers answers{{path.empty() ? dir.Write("in.hex", content) : path}};
    answers.Install(*form);
    if (prepare)
        prepare(*form);
    form->DownloadHex->trigger();
    ExpectTerminalMode(*form);
    return {peer.Finish(), boxes.Texts()};
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
    }
}

TEST(Download, TraceAndEchoShowEveryByteSent)
{
    ScriptedPeer peer;
    TempDir dir;
    BoxAnswerer boxes;
    auto form = StartTerminal(peer.PortArg());
    const std::string trace = StartTrace(*form, dir);
    DialogAnswers answers{{dir.Write("in.hex", kData2 + "\r\n" + kEnd + "\r\n")}};
    answers.Install(*form);
    form->DownloadHex->trigger();

    EXPECT_EQ(peer.Finish(), Wire({kData2, kEnd}));
    EXPECT_EQ(TraceOf(*form, trace), "\r\n-----------------------\r\npIT" + kData2 +
                                         "<CR><LF>\r\n" + kEnd + "<CR><LF><CR>");
    // The echo: the line break first, then what was sent, line ends by name; the final CR
    // is not echoed.
    EXPECT_EQ(PaneText(*form), "<CR><LF>\nIT" + kData2 + "<CR><LF>\n" + kEnd + "<CR><LF>");
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST(Download, EchoOffShowsNothing)
{
    ScriptedPeer peer;
    TempDir dir;
    auto form = StartTerminal(peer.PortArg());
    form->settings.echo = false;
    DialogAnswers answers{{dir.Write("in.hex", kEnd + "\r\n")}};
    answers.Install(*form);
    form->DownloadHex->trigger();
    EXPECT_EQ(peer.Finish(), Wire({kEnd}));
    EXPECT_EQ(PaneText(*form), "<CR><LF>");
}

TEST(Download, EveryCharacterIsPaced)
{
    const std::string line(40, '1');
    const auto start = std::chrono::steady_clock::now();
    const Download d = RunDownload(line + "\r\n", {}, [](TForm_main &form) { form.settings.delayms = 5; });
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(d.wire, Wire({line}));
    // 42 paced characters of 5 ms, beside the two waits of 200 ms.
    EXPECT_GE(took, std::chrono::milliseconds(400 + 42 * 5));
}

TEST(Download, CancelledDialogSendsNothing)
{
    ScriptedPeer peer;
    BoxAnswerer boxes;
    auto form = StartTerminal(peer.PortArg());
    DialogAnswers answers{{""}};
    answers.Install(*form);
    form->DownloadHex->trigger();
    EXPECT_EQ(answers.asked, 1u);
    EXPECT_EQ(peer.Finish(), "");
    EXPECT_TRUE(boxes.Texts().empty());
    ExpectTerminalMode(*form);
}

TEST(Download, FileThatCannotBeOpenedSendsNothing)
{
    TempDir dir;
    const std::string missing = dir.File("missing.hex");
    const Download d = RunDownload({}, missing);
    EXPECT_EQ(d.wire, "");
    EXPECT_EQ(d.boxes, std::vector<std::string>{"Couldn't open \"" + missing + "\" for read"});
}

TEST(Download, ReadErrorIsReportedAndEndsTheTransfer)
{
    TempDir dir;
    // A directory opens for reading, but every read of it fails.
    const Download d = RunDownload({}, dir.Path());
    EXPECT_EQ(d.wire, "IT\r");
    EXPECT_EQ(d.boxes, std::vector<std::string>{"Couldn't read \"" + dir.Path() + "\""});
}

TEST(Download, StopDuringTheFirstLineSendsThatLineAndTheFinalCr)
{
    ScriptedPeer peer;
    TempDir dir;
    auto form = StartTerminal(peer.PortArg());
    // Pacing makes the line outlast the clicker's tick, so the click is waiting when
    // messages are processed after the line.
    form->settings.delayms = 2;
    DialogAnswers answers{{dir.Write("in.hex", kData1 + "\r\n" + kData2 + "\r\n" + kEnd + "\r\n")}};
    answers.Install(*form);
    StopClicker stop(*form);
    form->DownloadHex->trigger();
    EXPECT_TRUE(stop.Clicked());
    EXPECT_EQ(peer.Finish(), "IT" + kData1 + "\r");
    ExpectTerminalMode(*form);
}

TEST(Download, FailedSendStopsWithAnErrorAndEndsAsAfterStop)
{
    std::string file;
    for (int i = 0; i < 2000; ++i)
        file += kData1 + "\r\n";
    for (size_t hangup : {1u, 2u, 500u}) {
        ScriptedPeer peer({}, hangup);
        TempDir dir;
        BoxAnswerer boxes;
        auto form = StartTerminal(peer.PortArg());
        DialogAnswers answers{{dir.Write("in.hex", file)}};
        answers.Install(*form);
        form->DownloadHex->trigger();
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Couldn't send to the programmer (-4)"}) << hangup;
        const std::string wire = peer.Finish();
        EXPECT_TRUE(peer.HungUp());
        EXPECT_EQ(wire, Wire(std::vector<std::string>(2000, kData1)).substr(0, hangup));
        ExpectTerminalMode(*form);
    }
}

TEST(Download, KeyTypedDuringTheDownloadGoesBetweenLinesInWireAndPane)
{
    ScriptedPeer peer;
    TempDir dir;
    auto form = StartTerminal(peer.PortArg());
    form->settings.delayms = 2;
    DialogAnswers answers{{dir.Write("in.hex", kData1 + "\r\n" + kEnd + "\r\n")}};
    answers.Install(*form);
    bool typed = false;
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        if (!typed && !form->BitBtn_Stop->isHidden()) {
            typed = true;
            QTest::keyClick(form->RichEdit_Main, Qt::Key_K);
        }
    });
    typist.start(1);
    form->DownloadHex->trigger();
    ASSERT_TRUE(typed);
    EXPECT_EQ(peer.Finish(), "IT" + kData1 + "K\r\n" + kEnd + "\r\n\r");
    EXPECT_EQ(PaneText(*form), "<CR><LF>\nIT" + kData1 + "K<CR><LF>\n" + kEnd + "<CR><LF>");
}
