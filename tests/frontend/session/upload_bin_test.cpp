// "upload bin" against a programmer played by the test: the examine dialogue byte for byte,
// the range settings, the two hex characters, each time-out, Stop, and file failures.
#include <regex>
#include <sys/resource.h>

#include "session_test_support.h"

using namespace zmtest;

namespace {

std::string Memory(size_t size)
{
    std::string memory;
    for (size_t i = 0; i < size; ++i)
        memory += static_cast<char>((i * 37 + 11) & 0xFF);
    return memory;
}

struct BinUpload {
    std::string path;
    std::string wire;
    std::string file;
    bool fileExists = false;
    std::vector<std::string> boxes;
    TransferEnd end;
};

// `justBefore` runs right before the transfer.
BinUpload RunBinUpload(const Examiner &examiner, int32_t start, int32_t count, bool clickStop = false,
                       const std::function<void()> &justBefore = {})
{
    ScriptedPeer peer(examiner);
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    s->session.Settings().uploadbinstart = start;
    s->session.Settings().uploadbinbytes = count;
    // An older file of the name is replaced.
    const std::string path = dir.Write("image.bin", std::string(100, 'x'));
    std::unique_ptr<StopClicker> stop;
    if (clickStop)
        stop = std::make_unique<StopClicker>(*s);
    if (justBefore)
        justBefore();
    const TransferEnd end = s->session.UploadBin(path);
    ExpectTerminalMode(*s);
    EXPECT_EQ(s->host.status, "");
    // The status line holds the counts and the slow clearing, never what arrived meanwhile.
    for (const std::string &status : s->host.statuses)
        EXPECT_TRUE(status.empty() || std::regex_match(status, std::regex("\\$[0-9a-f]+ bytes")) ||
                    status.rfind("Clearing input ever so slowly (", 0) == 0)
            << status;
    return {path, peer.Finish(), ReadFile(path), std::filesystem::exists(path), s->host.boxes, end};
}

std::string Spaces(size_t n) { return std::string(n, ' '); }

} // namespace

TEST(UploadBin, RangesGoOverTheWireAsTheExamineCommandWantsThem)
{
    const std::string memory = Memory(0x200);
    struct Case {
        int32_t start, count;
        std::string address;
        size_t bytes;
    } cases[] = {
        {0, 0x10, "0000", 16},
        {0x1A, 3, "001A", 3},
        {0x100, 1, "0100", 1},
        {0, 0, "0000", 1},   // no count still reads one byte
        {5, -7, "0005", 1},
    };
    for (const Case &c : cases) {
        const BinUpload r = RunBinUpload(Examiner(memory), c.start, c.count);
        EXPECT_EQ(r.wire, "X" + c.address + "\r" + Spaces(c.bytes - 1) + "\r" + "\r") << c.address;
        EXPECT_EQ(r.file, memory.substr(size_t(c.start), c.bytes)) << c.address;
        EXPECT_TRUE(r.boxes.empty()) << c.address;
        EXPECT_EQ(r.end, TransferEnd::Completed) << c.address;
    }
}

TEST(UploadBin, TraceAndEchoShowTheDialogue)
{
    ScriptedPeer peer(Examiner("\x3F\xC0"));
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    s->session.Settings().uploadbinbytes = 2;
    const std::string trace = StartTrace(*s, dir);
    s->session.UploadBin(dir.File("image.bin"));
    EXPECT_EQ(peer.Finish(), "X0000\r \r\r");
    EXPECT_EQ(ReadFile(dir.File("image.bin")), "\x3F\xC0");
    EXPECT_EQ(TraceOf(*s, trace),
              "\r\n-----------------------\r\n"
              "pX\r\ng< >\r\np0000<CR>\r\ng<CR><LF>\r\n0000=3F\r\np< >\r\ng<CR><LF>\r\n0001=C0\r\n"
              "p<CR><CR>");
    // "X", the address and its CR are echoed; the spaces and the CRs are not.
    EXPECT_EQ(s->host.pane.find("X0000"), 0u);
}

TEST(UploadBin, TwoCharactersAfterEqualsAreReadAsHex)
{
    // Two characters that are not both hex digits are no byte: the upload ends there with
    // "bad hex byte" and keeps the bytes before, instead of putting a made-up value in the file.
    struct Case {
        std::string digits;
        int value;  // -1: no byte
    } cases[] = {{"5A", 0x5A}, {"ff", 0xFF}, {" 5", -1}, {"G1", -1}, {"1G", -1}, {"\r\n", -1}};
    for (const Case &c : cases) {
        const BinUpload r = RunBinUpload(Examiner(Memory(4)).Digits(1, c.digits), 0, 3);
        if (c.value < 0) {
            EXPECT_EQ(r.file, Memory(4).substr(0, 1)) << c.digits;
            EXPECT_EQ(r.boxes, std::vector<std::string>{"bad hex byte"}) << c.digits;
            EXPECT_EQ(r.end, TransferEnd::Failed) << c.digits;
            continue;
        }
        ASSERT_EQ(r.file.size(), 3u) << c.digits;
        EXPECT_EQ(r.file[1], static_cast<char>(c.value)) << c.digits;
        EXPECT_EQ(r.file[2], Memory(4)[2]) << c.digits;
    }
}

TEST(UploadBin, TimeOutsEndWithTheirMessageAndKeepTheBytesSoFar)
{
    const std::string memory = Memory(0x40);
    struct Case {
        const char *name;
        Examiner examiner;
        std::string message;
        size_t kept;
        std::string wireBeforeEnd;
    } cases[] = {
        {"no space after X", Examiner(memory).SpaceReply(""), "missing space", 0, "X"},
        {"no = for byte 5", Examiner(memory).MuteAt(5), "missing \"=\"; sorry", 5, "X0000\r" + Spaces(5)},
        {"= but no digits for byte 9", Examiner(memory).StallAt(9), "bad hex byte", 9, "X0000\r" + Spaces(9)},
        {"one digit for byte 2", Examiner(memory).Digits(2, "7"), "bad hex byte", 2, "X0000\r" + Spaces(2)},
    };
    for (const Case &c : cases) {
        const BinUpload r = RunBinUpload(c.examiner, 0, 0x40);
        EXPECT_EQ(r.boxes, std::vector<std::string>{c.message}) << c.name;
        EXPECT_TRUE(r.fileExists) << c.name;
        EXPECT_EQ(r.file, memory.substr(0, c.kept)) << c.name;
        EXPECT_EQ(r.wire, c.wireBeforeEnd + "\r") << c.name;
        EXPECT_EQ(r.end, TransferEnd::Failed) << c.name;
    }
}

TEST(UploadBin, StopIsSeenEveryEightBytes)
{
    const std::string memory = Memory(0x100);
    const BinUpload r = RunBinUpload(Examiner(memory), 0, 0x100, true);
    EXPECT_EQ(r.file, memory.substr(0, 8));
    EXPECT_EQ(r.wire, "X0000\r" + Spaces(8) + "\r");
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(r.end, TransferEnd::Stopped);
}

TEST(UploadBin, FileThatCannotBeCreatedSendsNothing)
{
    ScriptedPeer peer(Examiner(Memory(16)));
    TempDir dir;
    auto s = StartSession(peer.PortArg());
    const std::string path = dir.File("no/such/dir/image.bin");
    EXPECT_EQ(s->session.UploadBin(path), TransferEnd::FileNotOpened);
    EXPECT_EQ(s->host.boxes, std::vector<std::string>{"Couldn't create \"" + path + "\""});
    EXPECT_EQ(peer.Finish(), "");
    ExpectTerminalMode(*s);
}

TEST(UploadBin, FailedWriteStopsWithAnErrorAndKeepsWhatWasWritten)
{
    const std::string memory = Memory(0x100);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_IGN);
    const BinUpload r = RunBinUpload(Examiner(memory), 0, 0x100, false, [&] {
        // Files of this process may grow to 20 bytes from here on.
        rlimit small = saved;
        small.rlim_cur = 20;
        setrlimit(RLIMIT_FSIZE, &small);
    });
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(r.boxes, std::vector<std::string>{"Couldn't write \"" + r.path + "\""});
    EXPECT_EQ(r.file, memory.substr(0, 20));
    // Writes are buffered and flushed at every status count: the failure shows at byte 24.
    EXPECT_EQ(r.wire, "X0000\r" + Spaces(23) + "\r");
    EXPECT_EQ(r.end, TransferEnd::Failed);
}
