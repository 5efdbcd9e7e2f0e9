// zmcli end to end against promsim: the transfers give the simulated memory back, each ending
// has its message and exit status, Ctrl-C keeps what came, send says whether the prompt came.
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

#include "scoped_env.h"
#include "serial_ports.h"
#include "zmcli_support.h"

using namespace zmtest;

namespace {

// The simulator's first record must come after the upload's clearing of its commands' echo.
const std::string kUploadDelay = "2000";

int Dabrix(const TempDir &dir, std::vector<std::string> args)
{
    args.insert(args.begin(), BinPath("dabrix"));
    return RunProcess(args, {}, dir.Path()).status;
}

// Writes `text` into the pipe `path` once a reader has opened it; gives up after 30 s, so that
// a reader that never comes fails the test rather than hanging it.
void WriteWhenRead(const std::string &path, const std::string &text)
{
    int fd = -1;
    for (int waited = 0; fd < 0 && waited < 30000; waited += 10) {
        fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            usleep(10000);
    }
    if (fd < 0)
        return;
    fcntl(fd, F_SETFL, 0);
    for (size_t at = 0; at < text.size();) {
        const ssize_t n = write(fd, text.data() + at, text.size() - at);
        if (n <= 0)
            break;
        at += size_t(n);
    }
    close(fd);
}

}  // namespace

TEST(Zmcli, TransfersGiveTheSimulatedMemoryBack)
{
    TempDir dir;
    const std::string image = Image(0x2000);
    dir.Write("image.bin", image);
    ASSERT_EQ(RunProcess({BinPath("morvel"), dir.File("image.bin"), dir.File("image.hex")}).status, 0);
    // One simulator for all: a link follows its line from one program to the next.
    PromsimRunner sim({"--size", "2000", "--upload-delay", kUploadDelay, "--save", dir.File("memory.bin"),
                       "--link", dir.File("line")});
    const std::string line = dir.File("line");

    // The echo as the pane shows it: the line end before, the commands, the records.
    ProcessResult r = Zmcli(line, {"--echo", "download", "image.hex"}, dir.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Transfer OK: 8192 bytes in 512 records\ndownload: " + SumsOf(dir.File("image.bin")) + "\n");
    EXPECT_EQ(r.out.rfind("<CR><LF>\r\nIT:10000000", 0), 0u) << r.out.substr(0, 40);
    // The file's own lines, as zm32 sends them: morvel's end record included.
    EXPECT_NE(r.out.find(":01000001FF<CR><LF>"), std::string::npos) << r.out.substr(r.out.size() - 40);
    // The simulator saves its memory after the transfer's report.
    for (int waited = 0; waited < 5000 && ReadFile(dir.File("memory.bin")) != image; waited += 20)
        usleep(20000);
    EXPECT_TRUE(ReadFile(dir.File("memory.bin")) == image);
    // A pipe is read once, for the image and for the lines sent.
    ASSERT_EQ(mkfifo(dir.File("pipe.hex").c_str(), 0600), 0);
    std::thread writer(WriteWhenRead, dir.File("pipe.hex"), ReadFile(dir.File("image.hex")));
    r = Zmcli(line, {"download", "pipe.hex"}, dir.Path());
    writer.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Transfer OK: 8192 bytes in 512 records\ndownload: " + SumsOf(dir.File("image.bin")) + "\n");

    r = Zmcli(line, {"upload-bin", "back.bin", "--bytes", "2000"}, dir.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");  // no echo without --echo, no progress on a pipe
    EXPECT_EQ(r.err, "upload-bin: " + SumsOf(dir.File("image.bin")) + "\n");
    EXPECT_TRUE(ReadFile(dir.File("back.bin")) == image);

    // The quiet time after the data is the upload's normal end.
    r = Zmcli(line, {"upload-hex", "back.hex", "--stop", "FFFF"}, dir.Path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "upload-hex: done, 514 lines\nupload-hex: " + SumsOf(dir.File("image.bin")) + "\n");
    ASSERT_EQ(Dabrix(dir, {"back.hex", "hex.bin"}), 0);
    EXPECT_TRUE(ReadFile(dir.File("hex.bin")) == image);

    // The command's own options win: the last 16 bytes; offset 1 and stop 1400 end after 1410.
    r = Zmcli(line, {"upload-bin", "end.bin", "--start", "$1FF0", "--bytes", "10"}, dir.Path());
    EXPECT_TRUE(ReadFile(dir.File("end.bin")) == image.substr(0x1FF0)) << r.err;
    // zm32.ini from the current directory (the stem is zm32's), its keys over -p, --bytes over it.
    dir.Write("zm32.ini", "[zm32]\r\nport=" + std::to_string(kPort) + "\r\nuploadbinstart=1FF0\r\nuploadbinbytes=8\r\n");
    dir.Write("zmcli.ini", "[zmcli]\r\nuploadbinbytes=4\r\n");
    // Port 10 on the command line names no device: only the file's port reaches the simulator.
    setenv("ZMHW_COM10", dir.File("none").c_str(), 1);
    RunProcess({BinPath("zmcli"), "-p10", "upload-bin", "ini.bin"}, {}, dir.Path());
    EXPECT_TRUE(ReadFile(dir.File("ini.bin")) == image.substr(0x1FF0, 8));
    RunProcess({BinPath("zmcli"), "-p10", "upload-bin", "ini.bin", "--bytes", "10"}, {}, dir.Path());
    EXPECT_TRUE(ReadFile(dir.File("ini.bin")) == image.substr(0x1FF0, 16));
    r = Zmcli(line, {"upload-hex", "part.hex", "--offset", "1", "--stop", "1400"}, dir.Path());
    ASSERT_EQ(Dabrix(dir, {"-o1000", "part.hex", "part.bin"}), 0) << r.err;
    EXPECT_TRUE(ReadFile(dir.File("part.bin")) == image.substr(0x1000, 0x420));
}

// A part sets the whole range: a 27C16 read whole with its sums, from a memory twice its size;
// the chip key and a user's [chips] part; the file's range keys and --bytes over the part;
// blank; a download past the part.
TEST(Zmcli, ThePartSetsTheRange)
{
    TempDir dir;
    const std::string memory = Image(0x1000);
    PromsimRunner sim({"--size", "1000", "--upload-delay", kUploadDelay, "--image", dir.Write("memory.bin", memory),
                       "--link", dir.File("line")});
    const std::string line = dir.File("line");
    ProcessResult r = Zmcli(line, {"--chip", "27C16", "upload-bin", "whole.bin"}, dir.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadFile(dir.File("whole.bin")) == memory.substr(0, 0x800));
    dir.Write("part-of-memory.bin", memory.substr(0, 0x800));
    EXPECT_EQ(r.err, "upload-bin: " + SumsOf(dir.File("part-of-memory.bin")) + ", whole 2716 (2048 bytes, gaps FF)\n");

    struct Case {
        const char *name;
        std::string ini;  // zm32.ini in the current directory, "-i-" dropped when not empty
        std::vector<std::string> args;
        size_t bytes;     // upload-bin's file
    } cases[] = {
        {"chip key", "[zm32]\nchip=27c16\n", {}, 0x800},
        {"user's part", "[zm32]\nchip=rom-20\n[chips]\nROM=0x20\n", {}, 0x20},
        {"range key over chip key", "[zm32]\nchip=2716\nuploadbinbytes=10\n", {}, 0x10},
        {"--bytes over --chip", "", {"--chip", "2708", "upload-bin", "--bytes", "8"}, 8},
        {"--chip over range key", "[zm32]\nuploadbinbytes=10\n", {"upload-bin", "--chip", "2708"}, 0x400},
        {"--chip none over the chip key", "[zm32]\nchip=2716\n", {"upload-bin", "--chip", "none"}, 0x400},
        {"--chip none keeps the range key", "[zm32]\nchip=2716\nuploadbinbytes=10\n", {"upload-bin", "--chip", "none"}, 0x10},
    };
    for (const Case &c : cases) {
        dir.Write("zm32.ini", c.ini);
        std::vector<std::string> args{BinPath("zmcli"), "-p" + std::to_string(kPort)};
        if (c.ini.empty())
            args.push_back("-i-");
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (c.args.empty())
            args.push_back("upload-bin");
        args.push_back("part.bin");
        ASSERT_TRUE(UsePseudoTerminal(line));
        r = RunProcess(args, {}, dir.Path());
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_TRUE(ReadFile(dir.File("part.bin")) == memory.substr(0, c.bytes)) << c.name;
    }
    std::remove(dir.File("zm32.ini").c_str());

    r = Zmcli(line, {"blank", "--start", "100", "--bytes", "10"}, dir.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(0, 22), "not blank: first at 01");
    dir.Write("past.hex", ":010800000BEC\r\n:00000001FF\r\n");
    r = Zmcli(line, {"download", "past.hex", "--chip", "2716"}, dir.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "\"past.hex\" reaches 0800, past the 2716's last address 07FF: nothing sent\n");
}

// Every part zmcli lists, a user's from zm32.ini's [chips] among them, is the same size to zmimage.
TEST(Zmcli, ChipsAgreeWithZmimagesSizes)
{
    TempDir dir;
    dir.Write("zm32.ini", "[chips]\nMYROM=4K/16\nBAD=lots\n");
    dir.Write("x.bin", "x");
    const ProcessResult r = RunProcess({BinPath("zmcli"), "chips"}, {}, dir.Path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("MYROM        4096  16-bit  " + dir.File("zm32.ini") + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("27256       32768   8-bit  built in\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.rfind(dir.File("zm32.ini") + ": [chips] BAD=lots: SIZE is", 0), 0u) << r.err;
    std::istringstream lines(r.out);
    std::string name, bytes;
    int parts = 0;
    for (std::string rest; lines >> name >> bytes && std::getline(lines, rest); ++parts) {
        const std::string info = RunProcess({BinPath("zmimage"), "info", "x.bin", "--size", name}, {}, dir.Path()).out;
        EXPECT_NE(info.find("\nchip " + bytes + " bytes\n"), std::string::npos) << name << ": " << info;
    }
    EXPECT_EQ(parts, 29);
}

TEST(Zmcli, BlankFindsTheOneProgrammedByte)
{
    TempDir dir;
    std::string erased(0x800, '\xFF');
    for (const bool programmed : {false, true}) {
        erased[0x123] = programmed ? '\x5A' : '\xFF';
        PromsimRunner sim({"--size", "800", "--upload-delay", kUploadDelay, "--image", dir.Write("m.bin", erased)});
        const ProcessResult r = Zmcli(sim.Path(), {"blank", "--chip", "2716"}, dir.Path());
        EXPECT_EQ(r.status, programmed ? 1 : 0) << r.err;
        EXPECT_EQ(r.err, programmed ? "not blank: first at 0123 (5A), 1 bytes not FF\n" : "blank: 2048 bytes FF\n");
    }
}

TEST(Zmcli, EachEndingGivesItsMessageAndExitStatus)
{
    const std::string image = Image(0x400);
    const int prompt = 3;  // CR LF ">"
    const int shown = 9;   // CR LF, 4 address digits, "=", 2 digits
    const int record = 44; // ":10", address, "00", 32 digits, checksum, CR
    struct Case {
        const char *name;
        std::vector<std::string> faults;
        std::vector<std::string> args;
        std::string err;
        int status;
        std::string kept;  // what the output file "out" holds afterwards
    } cases[] = {
        {"bin: silent", {"--silent"}, {"upload-bin", "out"}, "missing space\n", 1, ""},
        {"bin: garbage", {"--garbage"}, {"upload-bin", "out"}, "missing space\n", 1, ""},
        {"bin: hang-up", {"--hangup-after", std::to_string(prompt + 1 + 4 * shown + 6)},
         {"upload-bin", "out"}, "missing \"=\"; sorry\nLine lost: COM9 (LINE)\n", 1, image.substr(0, 4)},
        {"hex: hang-up", {"--hangup-after", std::to_string(2 * prompt + 2 * record + 10)},
         {"upload-hex", "out", "--stop", "FFFF"}, "getchar error -4\nLine lost: COM9 (LINE)\n", 1, "records"},
        {"hex: nothing comes", {"--silent"}, {"upload-hex", "out"}, "Timed out (10000 ms)\n", 1, ""},
        {"hex: garbage, no line", {"--garbage"}, {"upload-hex", "out"}, "Timed out (10000 ms)\n", 1, ""},
        {"missing port", {}, {"upload-bin", "out"},
         "Couldn't zmhwOpen (-4)\nCOM9 is DIR/none (from ZMHW_COM9): No such device (set ZMHW_COM9 to the programmer's device)\n", 3, ""},
        {"bin: file", {}, {"upload-bin", "no/out"}, "Couldn't create \"no/out\"\n", 3, ""},
        {"hex: file", {}, {"upload-hex", "no/out"}, "Cannot create file no/out\n", 3, ""},
        {"download: file", {}, {"download", "no.hex"}, "Couldn't open \"no.hex\" for read\n", 3, ""},
        {"usage: zm32 option", {}, {"-x", "send", "V"},
         "Ooops, command-line error. (\"-x\")\r\nNote that - or \\ will introduce option.\r\n"
         "-ispecial.ini   specify ini file.\r\n-i-   specify no ini file.\r\n-p37   specify port 37.\r\n"
         "-b19,200   specify baud.\r\n-f7o1.5   specify data format\n", 2, ""},
        {"usage: no command", {}, {}, "", 2, ""},
        {"unknown part, nothing sent", {}, {"--chip", "27C999", "upload-bin", "out"},
         "zmcli: unknown part \"27C999\": zmcli chips lists the parts\n", 2, ""},
        {"usage: bad address", {}, {"upload-bin", "out", "--bytes", "12G"}, "", 2, ""},
        {"usage: two offsets", {}, {"upload-hex", "out", "--offset", "12"}, "", 2, ""},
    };
    for (const Case &c : cases) {
        TempDir dir;
        std::vector<std::string> options{"--size", "400", "--upload-delay", kUploadDelay,
                                         "--image", dir.Write("image.bin", image)};
        options.insert(options.end(), c.faults.begin(), c.faults.end());
        PromsimRunner sim(options);
        const ProcessResult r = std::string(c.name) == "missing port"
                                    ? (UseLine(dir.File("none")), RunProcess(ZmcliArgs(c.args), {}, dir.Path()))
                                    : Zmcli(sim.Path(), c.args, dir.Path());
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        if (c.status == 2 && c.err.empty())
            EXPECT_NE(r.err.find("Run with --help"), std::string::npos) << c.name << ": " << r.err;
        else
            EXPECT_EQ(r.err, Replaced(Replaced(c.err, "LINE", sim.Path()), "DIR", dir.Path())) << c.name;
        const std::string out = ReadFile(dir.File("out"));
        if (c.kept == "records") {
            // Whole records, as far as they came.
            ASSERT_EQ(Dabrix(dir, {"out", "out.bin"}), 0) << c.name;
            EXPECT_EQ(ReadFile(dir.File("out.bin")), image.substr(0, 0x20)) << c.name;
        } else {
            EXPECT_EQ(out, c.kept) << c.name;
        }
    }
}

TEST(Zmcli, CtrlCEndsTheTransferAsStopDoesAndKeepsWhatCame)
{
    const std::string image = Image(0x2000);
    struct Case {
        std::vector<std::string> args;
        int afterMs;  // when Ctrl-C comes
    } cases[] = {
        {{"upload-bin", "out", "--bytes", "2000"}, 1500},
        {{"upload-hex", "out", "--stop", "FFFF"}, 3000},  // records from 2 s on
    };
    for (const Case &c : cases) {
        TempDir dir;
        // A slow line, so that the transfer is surely running.
        PromsimRunner sim({"--size", "2000", "--rate", "960", "--upload-delay", kUploadDelay,
                           "--image", dir.Write("image.bin", image)});
        const pid_t pid = StartZmcli(sim.Path(), c.args, -1, dir.Path());
        ASSERT_GT(pid, 0);
        usleep(c.afterMs * 1000);
        kill(pid, SIGINT);
        EXPECT_EQ(WaitExit(pid, 15000), 130) << c.args[0];
        const std::string out = ReadFile(dir.File("out"));
        if (c.args[0] == "upload-bin") {
            // Stop comes at a multiple of 8 bytes.
            EXPECT_GT(out.size(), 0u);
            EXPECT_EQ(out.size() % 8, 0u);
            EXPECT_TRUE(out == image.substr(0, out.size())) << out.size();
        } else {
            ASSERT_GT(out.size(), 0u);
            ASSERT_EQ(Dabrix(dir, {"out", "out.bin"}), 0);
            const std::string back = ReadFile(dir.File("out.bin"));
            EXPECT_TRUE(back.size() < image.size() && back == image.substr(0, back.size())) << back.size();
        }
        // The port was given back: the line opens again.
        EXPECT_EQ(Zmcli(sim.Path(), {"send", "V"}, dir.Path()).status, 0) << c.args[0];
    }
}

TEST(Zmcli, SendExitsZeroOnlyWhenThePromptCame)
{
    struct Case {
        std::vector<std::string> faults;
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        // Typed keys: upper-cased; the answer as the pane shows it, or as it came.
        {{}, {"send", "v"}, 0, "<CR><LF>\r\nVerify OK<CR><LF>\r\n>\n", ""},
        {{}, {"send", "?"}, 0, "?<CR><LF>\r\n>\n", ""},
        {{}, {"send", "--raw", "?"}, 0, "?\r\n>", ""},
        {{"--silent"}, {"send", "V"}, 1, "\n", "send: no prompt from the programmer\n"},
        // Every answer, one prompt each; the words looked for in the bytes as they came.
        {{}, {"send", "IV", "--raw", "--expect", "OK\r\n>"}, 0, "\r\n>\r\nVerify OK\r\n>", ""},
        {{}, {"send", "V", "--expect", "Program OK"}, 1, "<CR><LF>\r\nVerify OK<CR><LF>\r\n>\n",
         "send: the answer does not contain \"Program OK\"\n"},
        {{}, {"send", "X0010", "--enter", "--raw"}, 0, " \r\n0010=FF", ""},
        // zm32's options with their value joined or in the next argument.
        {{}, {"-b", "9600", "-f", "8n1", "-p", "9", "-i", "-", "send", "V", "--raw"}, 0, "\r\nVerify OK\r\n>", ""},
        {{}, {"-b9600", "-f8n1", "send", "V", "--raw", "--delay", "1", "--flow", "none"}, 0, "\r\nVerify OK\r\n>", ""},
        // The greeting, then the line goes away while the answer is awaited.
        {{"--hangup-after", "3"}, {"send", "V", "--raw"}, 1, "", "Line lost: COM9 (LINE)\n"},
    };
    for (const Case &c : cases) {
        PromsimRunner sim(c.faults);
        const ProcessResult r = Zmcli(sim.Path(), c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[1];
        EXPECT_EQ(r.err, Replaced(c.err, "LINE", sim.Path())) << c.args[1];
    }
}

TEST(Zmcli, OpenFailuresNameThePortTheDeviceAndTheCause)
{
    TempDir dir;
    PromsimRunner sim(std::vector<std::string>{});
    ASSERT_TRUE(IsPseudoTerminal(sim.Path()));
    const std::string opened = "Couldn't zmhwOpen (-4)\n";
    const std::string missing = ": No such device (set ZMHW_COM9 to the programmer's device)";
    struct Case {
        const char *name;
        std::string line;  // the port's device
        std::vector<std::string> args;
        std::string ini;   // zm32.ini in the current directory, when not empty
        int status;
        std::string err;
    } cases[] = {
        {"missing device", dir.File("none"), {"-i-", "send", "V"}, "", 3,
         opened + "COM9 is DIR/none (from ZMHW_COM9)" + missing + "\n"},
        {"device from [ports]", "", {"send", "V"}, "[ports]\r\nCOM9=" + dir.File("none") + "\r\n", 3,
         opened + "COM9 is DIR/none (from [ports] of DIR/zm32.ini)" + missing + "\n"},
        {"not a terminal", dir.Write("plain", "x"), {"-i-", "send", "V"}, "", 3,
         opened + "COM9 is DIR/plain (from ZMHW_COM9): not a serial line\n"},
        {"format", sim.Path(), {"-i-", "-f7o1.5", "send", "V"}, "", 3, opened + "7o1.5: this data format cannot be set\n"},
        {"in use", sim.Path(), {"-i-", "send", "V"}, "", 3,
         opened + "COM9 is LINE (from ZMHW_COM9): it is in use by another program\n"},
        {"port from zm32.ini", sim.Path(), {"-p1", "send", "V"}, "[zm32]\r\nport=9\r\n", 3,
         opened + "COM9 is LINE (from ZMHW_COM9): it is in use by another program; the port was set by DIR/zm32.ini\n"},
        {"log cannot be written", sim.Path(), {"-i-", "--log", "no/such/log", "send", "V"}, "", 3,
         "Cannot write the log no/such/log\n"},
    };
    for (const Case &c : cases) {
        std::remove(dir.File("zm32.ini").c_str());
        if (!c.ini.empty())
            dir.Write("zm32.ini", c.ini);
        UseLine(c.line);
        // Another program holds the line as the serial library would.
        const int held = open(sim.Path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(held, 0);
        const bool busy = std::string(c.name) == "in use" || std::string(c.name) == "port from zm32.ini";
        if (busy) {
            ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
        }
        std::vector<std::string> argv{BinPath("zmcli"), "-p9"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const ProcessResult r = RunProcess(argv, {}, dir.Path());
        close(held);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.err, Replaced(Replaced(c.err, "LINE", sim.Path()), "DIR", dir.Path())) << c.name;
    }
}

TEST(Zmcli, UploadBinWritesThroughLinksAndIntoFifosAndReplacesFiles)
{
    const std::string image = Image(0x400);
    enum class Kind { Link, Fifo, Regular };
    struct Case {
        const char *name;
        Kind kind;
        std::vector<std::string> range;
        std::string expected;
    } cases[] = {
        {"link", Kind::Link, {"--start", "0x10", "--bytes", "0x20"}, image.substr(0x10, 0x20)},
        {"fifo", Kind::Fifo, {"--start", "$20", "--bytes", "10"}, image.substr(0x20, 0x10)},
        {"regular file", Kind::Regular, {"--start", "0", "--bytes", "8"}, image.substr(0, 8)},
    };
    for (const Case &c : cases) {
        TempDir dir;
        PromsimRunner sim({"--size", "400", "--image", dir.Write("image.bin", image)});
        const std::string target = dir.File("target");
        std::string fifoRead;
        std::thread reader;
        if (c.kind == Kind::Link) {
            dir.Write("target", std::string(100, 'x'));
            ASSERT_EQ(symlink(target.c_str(), dir.File("out").c_str()), 0);
        } else if (c.kind == Kind::Fifo) {
            ASSERT_EQ(mkfifo(dir.File("out").c_str(), 0600), 0);
            reader = std::thread([&] { fifoRead = ReadFile(dir.File("out")); });
        } else {
            dir.Write("out", std::string(100, 'x'));
        }
        std::vector<std::string> args{"upload-bin", "out"};
        args.insert(args.end(), c.range.begin(), c.range.end());
        const ProcessResult r = Zmcli(sim.Path(), args, dir.Path());
        if (reader.joinable())
            reader.join();
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
        struct stat info {};
        ASSERT_EQ(lstat(dir.File("out").c_str(), &info), 0) << c.name;
        if (c.kind == Kind::Link) {
            EXPECT_TRUE(S_ISLNK(info.st_mode)) << c.name;
            EXPECT_TRUE(ReadFile(target) == c.expected) << c.name;
        } else if (c.kind == Kind::Fifo) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode)) << c.name;
            EXPECT_TRUE(fifoRead == c.expected) << c.name;
        } else {
            EXPECT_TRUE(ReadFile(dir.File("out")) == c.expected) << c.name;
        }
    }
}

TEST(Zmcli, CommandLineConventions)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;  // its start
        std::string err;
    } cases[] = {
        {{"bogus"}, 2, "", "zmcli: unknown command 'bogus'\n"},
        {{"--version"}, 0, "zmcli ", ""},
        {{"--help"}, 0, "zmcli: the Prompro 7", ""},
    };
    for (const Case &c : cases) {
        const ProcessResult r = RunProcess(ZmcliArgs(c.args));
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args[0];
        EXPECT_EQ(r.err, c.err) << c.args[0];
        // Only formats that can be set are offered.
        EXPECT_EQ(r.out.find("7o1.5"), std::string::npos);
    }
}

// ports on this machine: whatever its sysfs has, and the devices that the environment and the
// settings file's [ports] give port numbers, with where each number comes from.
TEST(Zmcli, PortsListsTheMappedDevicesAndOpensNone)
{
    TempDir dir;
    PromsimRunner sim({"--link", dir.File("line")});
    const std::string pty = std::filesystem::canonical(dir.File("line")).string();
    dir.Write("zm32.ini", "[zm32]\nport=COM9\n[ports]\nCOM31=/dev/zm-missing\n");
    ScopedEnv env;
    env.RemoveAll("ZMHW_COM");
    UseLine(pty);
    const ProcessResult r = RunProcess({BinPath("zmcli"), "ports"}, {}, dir.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string out = "\n" + r.out;
    const auto line = [&](const std::string &start) {
        const size_t at = out.find("\n" + start);
        return at == std::string::npos ? std::string() : out.substr(at + 1, out.find('\n', at + 1) - at - 1);
    };
    for (const SerialPortInfo &port : ListSerialPorts())
        EXPECT_NE(out.find(" " + port.device + " "), std::string::npos) << port.device << " in\n" << r.out;
    const std::string com9 = line("COM9 ");
    EXPECT_NE(com9.find(" " + pty + " "), std::string::npos) << r.out;
    EXPECT_NE(com9.find("COM9 from ZMHW_COM9"), std::string::npos) << r.out;
    const std::string com31 = line("COM31 ");
    EXPECT_NE(com31.find(" /dev/zm-missing "), std::string::npos) << r.out;
    EXPECT_NE(com31.find(" -  not present; COM31 from [ports] of " + dir.File("zm32.ini")), std::string::npos) << r.out;
    // Nothing was sent: the simulator's line is free for a command.
    EXPECT_EQ(Zmcli(pty, {"send", "V"}).status, 0);

    const ProcessResult help = RunProcess({BinPath("zmcli"), "ports", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("the exit status is 0, also when there is none"), std::string::npos);
}
