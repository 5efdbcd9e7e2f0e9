// "upload hex" against a programmer played by the test: what is sent and saved, the stop
// address, the quiet time, Stop, and saving that fails.
#include <sys/resource.h>

#include "session_test_support.h"

using namespace zmtest;

namespace {

const std::string kR0 = ":1003F000000102030405060708090A0B0C0D0E0F00";
const std::string kR1 = ":10040000101112131415161718191A1B1C1D1E1F00";
const std::string kR2 = ":10041000202122232425262728292A2B2C2D2E2F00";
const std::string kR3 = ":10042000303132333435363738393A3B3C3D3E3F00";
const std::string kEnd = ":00000001FF";

std::string Sent(const std::vector<std::string> &lines, const char *end = "\r")
{
    std::string text;
    for (const auto &line : lines)
        text += line + end;
    return text;
}

struct HexUpload {
    std::string path;
    std::string wire;
    std::string file;
    bool fileExists = false;
    std::vector<std::string> boxes;
    size_t dialogs = 0;
    TransferEnd end;
};

struct HexOptions {
    int32_t stop = 0x400;
    std::function<bool(TestSession &)> clickStopWhen;  // none: Stop is not clicked
    std::vector<std::string> answers;  // other files after a failed save; "" gives up
    std::function<void()> justBefore;
};

HexUpload RunHexUpload(ScriptedPeer::Responder programmer, const HexOptions &options = {})
{
    ScriptedPeer peer(std::move(programmer));
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    s->session.Settings().uploadhexstop = options.stop;
    const std::string path = dir.File("image.hex");
    s->host.otherFiles = options.answers;
    std::unique_ptr<StopClicker> stop;
    if (options.clickStopWhen)
        stop = std::make_unique<StopClicker>(*s, [&s, &options] { return options.clickStopWhen(*s); });
    if (options.justBefore)
        options.justBefore();
    const TransferEnd end = s->session.UploadHex(path);
    ExpectTerminalMode(*s);
    EXPECT_EQ(s->host.status, "");
    return {path,          peer.Finish(),  ReadFile(path), std::filesystem::exists(path),
            s->host.boxes, 1 + s->host.otherFilesAsked, end};
}

const std::vector<std::string> kTimedOut{"Timed out (10000 ms)"};

} // namespace

TEST(UploadHex, TraceShowsCommandsAndEveryByteReceived)
{
    ScriptedPeer peer(Uploader(Sent({kEnd, ""})));
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    s->session.Settings().uploadoffset = "2";
    const std::string trace = StartTrace(*s, dir);
    s->session.UploadHex(dir.File("image.hex"));
    EXPECT_EQ(peer.Finish(), "IU2\r");
    EXPECT_EQ(TraceOf(*s, trace), "\r\n-----------------------\r\npIU2\r\ng" + kEnd + "<CR><CR>\r\np<CR>");
    // The commands are echoed, nothing received is shown.
    EXPECT_EQ(s->host.pane, "IU2");
    EXPECT_EQ(ReadFile(dir.File("image.hex")), kEnd + "\r\n\r\n");
}

TEST(UploadHex, TheFirstRecordAboveTheStopAddressEndsTheUploadAndIsSaved)
{
    const std::string text = Sent({kR0, kR1, kR2, kR3, kEnd});
    struct Case {
        int32_t stop;
        std::vector<std::string> saved;
        std::vector<std::string> boxes;
    } cases[] = {
        {0x400, {kR0, kR1, kR2}, {}},
        {0x3FF, {kR0, kR1}, {}},
        {0x420, {kR0, kR1, kR2, kR3, kEnd}, kTimedOut},
        {-1, {kR0}, {}},
    };
    for (const Case &c : cases) {
        HexOptions options;
        options.stop = c.stop;
        const HexUpload r = RunHexUpload(Uploader(text), options);
        EXPECT_EQ(r.file, Sent(c.saved, "\r\n")) << c.stop;
        EXPECT_EQ(r.boxes, c.boxes) << c.stop;
        EXPECT_EQ(r.wire, "IU0\r") << c.stop;
        EXPECT_EQ(r.end, TransferEnd::Completed) << c.stop;
    }
}

TEST(UploadHex, LinesAreKeptAsReceived)
{
    struct Case {
        const char *name;
        std::string sent;
        std::string saved;
    } cases[] = {
        {"records and the prompt after them", Sent({kR0, kEnd}) + "\r\n>", Sent({kR0, kEnd, ""}, "\r\n")},
        {"LF line ends complete no line", "abc\ndef\n", ""},
        {"empty lines", "\r\r:1\r", "\r\n\r\n:1\r\n"},
        {"short lines and text", "ab\rhello world\r", "ab\r\nhello world\r\n"},
        {"control characters dropped", "a\x01\tb\x1B" "c\r\n", "abc\r\n"},
        {"bytes above 127 kept", "\x80\xFF\xC4\r", "\x80\xFF\xC4\r\n"},
        {"an unfinished last line is not saved", "one\rtwo", "one\r\n"},
    };
    for (const Case &c : cases) {
        const HexUpload r = RunHexUpload(Uploader(c.sent));
        EXPECT_EQ(r.file, c.saved) << c.name;
        EXPECT_EQ(r.boxes, kTimedOut) << c.name;
        EXPECT_EQ(r.wire, "IU0\r") << c.name;
    }
}

TEST(UploadHex, SilentProgrammerGivesAnEmptyFileAfterTenSeconds)
{
    const auto start = std::chrono::steady_clock::now();
    const HexUpload r = RunHexUpload({});
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10000));
    EXPECT_EQ(r.boxes, kTimedOut);
    EXPECT_TRUE(r.fileExists);
    EXPECT_EQ(r.file, "");
    EXPECT_EQ(r.wire, "IU0\r");
    EXPECT_EQ(r.end, TransferEnd::Failed);
}

TEST(UploadHex, StopIsSeenBetweenLinesAndWhileWaitingForData)
{
    struct Case {
        const char *name;
        std::string sent;
        std::function<bool(TestSession &)> clickWhen;
        std::string saved;
    } cases[] = {
        {"after the first line", Sent({kR0, kR1, kR2}),
         [](TestSession &s) { return s.host.status.rfind("line ", 0) == 0; }, Sent({kR0}, "\r\n")},
        // At once: the wait for the first byte ends, rather than running its 10 s.
        {"while waiting for the first byte", "", [](TestSession &) { return true; }, ""},
        // Within a line Stop waits for its end; one that never ends must still let it through,
        // or the upload would run on to the quiet time.
        {"within a line that never ends", std::string(4 << 20, 'x'),
         [](TestSession &s) { return SessionProbe::ReceiveQueue(s.session) > 0; }, ""},
    };
    for (const Case &c : cases) {
        HexOptions options;
        options.stop = 0xFFFF;
        options.clickStopWhen = c.clickWhen;
        const HexUpload r = RunHexUpload(Uploader(c.sent), options);
        EXPECT_TRUE(r.fileExists) << c.name;
        EXPECT_EQ(r.file, c.saved) << c.name;
        EXPECT_TRUE(r.boxes.empty()) << c.name;
        EXPECT_EQ(r.wire, "IU0\r") << c.name;
        EXPECT_EQ(r.end, TransferEnd::Stopped) << c.name;
    }
}

TEST(UploadHex, FailedSaveAsksForAnotherFile)
{
    TempDir dir;
    const std::string bad = dir.File("no/such/dir/image.hex");
    const std::string other = dir.File("other.hex");
    ScriptedPeer peer(Uploader(Sent({kR0, kEnd})));
    auto s = StartSession(peer.PortArg());
    s->host.otherFiles = {dir.Path(), other};
    EXPECT_EQ(s->session.UploadHex(bad), TransferEnd::Completed);
    EXPECT_EQ(s->host.boxes, (std::vector<std::string>{"Timed out (10000 ms)", "Cannot create file " + bad,
                                                       "Cannot create file " + dir.Path()}));
    EXPECT_EQ(s->host.otherFilesAsked, 2u);
    EXPECT_EQ(ReadFile(other), Sent({kR0, kEnd}, "\r\n"));
    EXPECT_EQ(peer.Finish(), "IU0\r");
    ExpectTerminalMode(*s);
}

TEST(UploadHex, CancellingTheDialogAfterAFailedSaveGivesTheLinesUp)
{
    TempDir dir;
    const std::string bad = dir.File("no/such/dir/image.hex");
    ScriptedPeer peer(Uploader(Sent({kR0})));
    auto s = StartSession(peer.PortArg());
    s->host.otherFiles = {""};
    EXPECT_EQ(s->session.UploadHex(bad), TransferEnd::FileNotOpened);
    EXPECT_EQ(s->host.boxes, (std::vector<std::string>{"Timed out (10000 ms)", "Cannot create file " + bad}));
    EXPECT_EQ(s->host.otherFilesAsked, 1u);
    EXPECT_EQ(peer.Finish(), "IU0\r");
    ExpectTerminalMode(*s);
}

TEST(UploadHex, FailedWriteIsReportedAndAsksAgain)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    HexOptions options;
    options.stop = 0xFFFF;
    options.answers = {""};
    options.justBefore = [&] {
        rlimit small = saved;
        small.rlim_cur = 50;
        setrlimit(RLIMIT_FSIZE, &small);
    };
    const HexUpload r = RunHexUpload(Uploader(Sent({kR0, kR1, kR2})), options);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(r.boxes, (std::vector<std::string>{"Timed out (10000 ms)", "Couldn't write \"" + r.path + "\""}));
    EXPECT_EQ(r.dialogs, 2u);
    EXPECT_EQ(r.end, TransferEnd::Failed);
}
