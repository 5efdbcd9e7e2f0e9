// zmcli end to end against promsim: the transfers give the simulated memory back, each ending
// has its message and exit status, Ctrl-C keeps what came, send says whether the prompt came.
#include <sys/stat.h>

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
    EXPECT_EQ(r.err, "Transfer OK: 8192 bytes in 512 records\n");
    EXPECT_EQ(r.out.rfind("<CR><LF>\r\nIT:10000000", 0), 0u) << r.out.substr(0, 40);
    // The simulator saves its memory after the transfer's report.
    for (int waited = 0; waited < 5000 && ReadFile(dir.File("memory.bin")) != image; waited += 20)
        usleep(20000);
    EXPECT_TRUE(ReadFile(dir.File("memory.bin")) == image);

    r = Zmcli(line, {"upload-bin", "back.bin", "--bytes", "2000"}, dir.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");  // no echo without --echo, no progress on a pipe
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(ReadFile(dir.File("back.bin")) == image);

    // The quiet time after the data is the upload's normal end.
    r = Zmcli(line, {"upload-hex", "back.hex", "--stop", "FFFF"}, dir.Path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "upload-hex: done, 514 lines\n");
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
        {"missing port", {}, {"upload-bin", "out"},
         "Couldn't zmhwOpen (-4)\nCOM9 is DIR/none: No such device (set ZMHW_COM9 to the programmer's device)\n", 3, ""},
        {"bin: file", {}, {"upload-bin", "no/out"}, "Couldn't create \"no/out\"\n", 3, ""},
        {"hex: file", {}, {"upload-hex", "no/out"}, "Cannot create file no/out\n", 3, ""},
        {"download: file", {}, {"download", "no.hex"}, "Couldn't open \"no.hex\" for read\n", 3, ""},
        {"usage: zm32 option", {}, {"-x", "send", "V"},
         "Ooops, command-line error. (\"-x\")\r\nNote that - or \\ will introduce option.\r\n"
         "-ispecial.ini   specify ini file.\r\n-i-   specify no ini file.\r\n-p37   specify port 37.\r\n"
         "-b19,200   specify baud.\r\n-f7o1.5   specify data format\n", 2, ""},
        {"usage: no command", {}, {}, "", 2, ""},
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
    } cases[] = {
        // Typed keys: upper-cased; the answer as the pane shows it, or as it came.
        {{}, {"send", "v"}, 0, "<CR><LF>\r\nVerify OK<CR><LF>\r\n>\n"},
        {{}, {"send", "?"}, 0, "?<CR><LF>\r\n>\n"},
        {{}, {"send", "--raw", "?"}, 0, "?\r\n>"},
        {{"--silent"}, {"send", "V"}, 1, "\n"},
    };
    for (const Case &c : cases) {
        PromsimRunner sim(c.faults);
        const ProcessResult r = Zmcli(sim.Path(), c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args.back();
    }
}
