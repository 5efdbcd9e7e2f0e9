// zmcli batch against promsim's fresh and bad chips: serials in every format, a bad chip's
// number skipped or reused, a killed run started again, a gang of three, what is refused before
// anything is sent, and a chip ended by Ctrl-C or a lost line.
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "file_bytes.h"
#include "zmcli_support.h"

using namespace zmtest;

namespace {

// The log's rows, the header first, fields unquoted as a spreadsheet reads them.
std::vector<std::vector<std::string>> LogRows(const std::string &path)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row(1);
    bool quoted = false;
    const std::string text = ReadFile(path);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"')
            row.back() += text[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            row.emplace_back();
        else if (!quoted && c == '\n')
            rows.push_back(std::exchange(row, std::vector<std::string>(1)));
        else
            row.back() += c;
    }
    return rows;
}

std::string HexByte(uint8_t value)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

enum Field { kSite = 1, kChip = 3, kSerial = 8, kSerialBytes = 9, kResult = 12, kProgramAnswer = 13, kFailAddress = 15 };

// What the chip's bytes must be, worked out apart from the product's code.
std::string ExpectedHex(uint64_t n, const std::string &format, int width)
{
    char text[40];
    std::string hex;
    if (format == "dec" || format == "hex") {
        std::snprintf(text, sizeof text, format == "dec" ? "%0*llu" : "%0*llX", width,
                      static_cast<unsigned long long>(n));
        for (const char *c = text; *c; ++c)
            hex += HexByte(static_cast<uint8_t>(*c));
        return hex;
    }
    std::snprintf(text, sizeof text, format == "bcd" ? "%0*llu" : "%0*llX", 2 * width,
                  static_cast<unsigned long long>(n));
    hex = text;
    if (format == "le")
        for (int i = 0; i < width / 2; ++i)
            for (int k = 0; k < 2; ++k)
                std::swap(hex[2 * i + k], hex[2 * (width - 1 - i) + k]);
    return hex;
}

void UsePort(int port, const std::string &line) { setenv(("ZMHW_COM" + std::to_string(port)).c_str(), line.c_str(), 1); }

// Serial numbers of the lines with `result`, in the log's order.
std::vector<uint64_t> Serials(const std::vector<std::vector<std::string>> &rows, const std::string &result)
{
    std::vector<uint64_t> serials;
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i][kResult] == result)
            serials.push_back(std::stoull(rows[i][kSerial]));
    return serials;
}

// Waits until the log holds `lines` lines; false when it did not within a wide margin.
bool WaitForLines(const std::string &path, size_t lines)
{
    for (int waited = 0; waited < 30000; waited += 20) {
        if (LogRows(path).size() >= lines)
            return true;
        usleep(20000);
    }
    return false;
}

}  // namespace

TEST(Batch, TwentyChipsWithSerialsInEachFormat)
{
    struct Case {
        std::string format;
        int width;
        uint64_t first;
    } cases[] = {{"le", 4, 1}, {"be", 2, 65500}, {"bcd", 3, 999980}, {"dec", 6, 42}, {"hex", 4, 0xFFEC}};
    const std::string image = Image(0x800);
    // Each format on its own simulator and zmcli, all at once.
    std::vector<std::unique_ptr<PromsimRunner>> sims;
    std::vector<std::unique_ptr<TempDir>> dirs;
    std::vector<pid_t> runs;
    for (const Case &c : cases) {
        dirs.push_back(std::make_unique<TempDir>());
        TempDir &dir = *dirs.back();
        dir.Write("rom.bin", image);
        std::filesystem::create_directory(dir.File("chips"));
        sims.push_back(std::make_unique<PromsimRunner>(std::vector<std::string>{
            "--fresh-chips", "--size", "800", "--save", dir.File("memory.bin"), "--save-chips", dir.File("chips")}));
        runs.push_back(StartZmcli(sims.back()->Path(),
                                  {"batch", "rom.bin", "--no-wait", "--count", "20", "--serial", "7F0", "--serial-format",
                                   c.format, "--serial-bytes", std::to_string(c.width), "--serial-first",
                                   std::to_string(c.first), "--log-run", "run.csv"},
                                  -1, dir.Path()));
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        EXPECT_EQ(WaitExit(runs[i], 120000), 0) << c.format;
        const auto rows = LogRows(dirs[i]->File("run.csv"));
        ASSERT_EQ(rows.size(), 41u) << c.format;
        for (size_t row = 1; row < rows.size(); ++row) {
            const uint64_t serial = c.first + (row - 1) / 2;
            EXPECT_EQ(rows[row][kResult], row % 2 ? "started" : "pass") << c.format << " row " << row;
            EXPECT_EQ(rows[row][kSerial], std::to_string(serial));
            EXPECT_EQ(rows[row][kSerialBytes], ExpectedHex(serial, c.format, c.width)) << c.format;
        }
        // The serial's bytes in `bytes` as hex, and whether the rest of it is the image.
        const size_t at = 0x7F0, width = size_t(c.width);
        const auto stamped = [&](const std::string &bytes) {
            std::string hex;
            for (size_t b = 0; b < width && at + b < bytes.size(); ++b)
                hex += HexByte(static_cast<uint8_t>(bytes[at + b]));
            return hex;
        };
        const auto restIsImage = [&](const std::string &bytes) {
            return bytes.size() == image.size() && bytes.compare(0, at, image, 0, at) == 0 &&
                   bytes.compare(at + width, std::string::npos, image, at + width) == 0;
        };
        // Each chip as its "P" left it holds the serial the log gave it.
        for (size_t chip = 1; chip <= 20; ++chip) {
            const std::string got = ReadFile(dirs[i]->File("chips/chip-" + std::to_string(chip) + ".bin"));
            EXPECT_EQ(stamped(got), rows[2 * chip - 1][kSerialBytes]) << c.format << " chip " << chip;
            EXPECT_TRUE(restIsImage(got)) << c.format << " chip " << chip << ": " << got.size() << " bytes";
        }
        // The last chip's serial is in the programmer's memory at its address.
        sims[i]->Stop();
        const std::string memory = ReadFile(dirs[i]->File("memory.bin"));
        EXPECT_EQ(stamped(memory), ExpectedHex(c.first + 19, c.format, c.width)) << c.format;
        EXPECT_TRUE(restIsImage(memory)) << c.format;
    }
}

TEST(Batch, ABadChipsNumberIsSkippedOrGoesToTheNextChip)
{
    for (const std::string onFail : {"skip", "reuse"}) {
        TempDir dir;
        dir.Write("rom.bin", Image(0x400));
        PromsimRunner sim({"--fresh-chips", "--bad-chips", "2", "--size", "400"});
        const ProcessResult r = Zmcli(sim.Path(),
                                      {"batch", "rom.bin", "--no-wait", "--count", "3", "--serial", "10",
                                       "--serial-on-fail", onFail, "--log-run", "run.csv"},
                                      dir.Path());
        EXPECT_EQ(r.status, 1) << r.err;
        const auto rows = LogRows(dir.File("run.csv"));
        const std::vector<uint64_t> passed = Serials(rows, "pass"), failed = Serials(rows, "fail");
        EXPECT_EQ(failed, std::vector<uint64_t>{2}) << onFail;
        const std::vector<uint64_t> skipped{1, 3, 4}, reused{1, 2, 3};
        EXPECT_EQ(passed, onFail == "skip" ? skipped : reused);
        ASSERT_EQ(rows.size(), 9u);
        EXPECT_EQ(rows[4][kProgramAnswer].rfind("Program failed at 0000", 0), 0u) << rows[4][kProgramAnswer];
        EXPECT_EQ(rows[4][kFailAddress], "0000");
        EXPECT_NE(r.out.find("chip 2: FAIL, serial 2 (02000000), sum16 "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("batch: 3 passed, 1 failed, serials 1.." + std::string(onFail == "skip" ? "4" : "3") + "\n"),
                  std::string::npos)
            << r.out;
    }
}

TEST(Batch, AKilledRunStartedAgainGivesNoNumberTwice)
{
    TempDir dir;
    dir.Write("rom.bin", Image(0x400));
    PromsimRunner sim({"--fresh-chips", "--size", "400", "--program-time", "300"});
    const pid_t first = StartZmcli(sim.Path(), {"batch", "rom.bin", "--no-wait", "--serial", "20", "--log-run", "run.csv"},
                                   -1, dir.Path());
    ASSERT_TRUE(WaitForLines(dir.File("run.csv"), 6));
    kill(first, SIGKILL);
    EXPECT_EQ(WaitExit(first, 10000), 128 + SIGKILL);
    // A lower first number does not matter: the log's highest does.
    const ProcessResult r = Zmcli(sim.Path(),
                                  {"batch", "rom.bin", "--no-wait", "--count", "2", "--serial", "20", "--serial-first",
                                   "1", "--log-run", "run.csv"},
                                  dir.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<uint64_t> started = Serials(LogRows(dir.File("run.csv")), "started");
    EXPECT_EQ(std::set<uint64_t>(started.begin(), started.end()).size(), started.size());
    EXPECT_NE(r.out.find("serials go on after " + std::to_string(started[started.size() - 3])), std::string::npos)
        << r.out;
    // --serial-restart alone gives the first numbers again.
    const ProcessResult again = Zmcli(sim.Path(),
                                      {"batch", "rom.bin", "--no-wait", "--count", "1", "--serial", "20",
                                       "--serial-restart", "--log-run", "run.csv"},
                                      dir.Path());
    EXPECT_NE(again.out.find("serials 1..1"), std::string::npos) << again.out;
}

TEST(Batch, AGangOfThreeLogsOneWholeLineForEveryChip)
{
    TempDir dir;
    dir.Write("rom.bin", Image(0x400));
    PromsimRunner a({"--fresh-chips", "--size", "400", "--bad-chips", "2"}),
        b({"--fresh-chips", "--size", "400", "--bad-chips", "1,3"}), c({"--fresh-chips", "--size", "400"});
    ASSERT_TRUE(IsPseudoTerminal(b.Path()) && IsPseudoTerminal(c.Path()));
    UsePort(10, b.Path());
    UsePort(11, c.Path());
    const ProcessResult r = Zmcli(a.Path(),
                                  {"batch", "rom.bin", "--no-wait", "--ports", "9,10,11", "--count", "6", "--serial",
                                   "3F0", "--log-run", "run.csv"},
                                  dir.Path());
    EXPECT_EQ(r.status, 1) << r.err;
    const auto rows = LogRows(dir.File("run.csv"));
    // Three rounds: 9 passes the round that makes six.
    ASSERT_EQ(rows.size(), 1 + 2 * 9u) << r.out;
    std::map<std::string, int> chips;
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].size(), rows[0].size()) << i;
        ++chips[rows[i][kSite] + "/" + rows[i][kChip]];
    }
    EXPECT_EQ(chips.size(), 9u);
    for (const auto &[chip, lines] : chips)
        EXPECT_EQ(lines, 2) << chip;
    const std::vector<uint64_t> started = Serials(rows, "started");
    EXPECT_EQ(std::set<uint64_t>(started.begin(), started.end()), (std::set<uint64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(Serials(rows, "fail").size(), 3u);
    EXPECT_NE(r.out.find("chip 1 (COM9): pass, serial 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("chip 2 (COM10): FAIL, serial 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("batch: 6 passed, 3 failed, serials 1..9\n"), std::string::npos) << r.out;
}

TEST(Batch, AGangSiteWhoseLineIsLostDropsOutAndTheOthersGoOn)
{
    TempDir dir;
    dir.Write("rom.bin", Image(0x400));
    // P takes three seconds: the line goes while the first round's chips are under way.
    PromsimRunner a({"--fresh-chips", "--size", "400", "--program-time", "3000"}),
        b({"--fresh-chips", "--size", "400", "--program-time", "3000"});
    ASSERT_TRUE(IsPseudoTerminal(b.Path()));
    UsePort(10, b.Path());
    UsePort(12, dir.File("no-device"));  // drops out before its download
    const pid_t pid = StartZmcli(a.Path(),
                                 {"batch", "rom.bin", "--no-wait", "--ports", "9,10,12", "--count", "2", "--serial", "10",
                                  "--log-run", "run.csv"},
                                 -1, dir.Path());
    ASSERT_TRUE(WaitForLines(dir.File("run.csv"), 3));
    usleep(300000);
    b.Stop(SIGKILL);
    EXPECT_EQ(WaitExit(pid, 60000), 1);
    const auto rows = LogRows(dir.File("run.csv"));
    std::map<std::string, std::vector<std::string>> results;
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i][kResult] != "started")
            results[rows[i][kSite]].push_back(rows[i][kResult]);
    EXPECT_EQ(results["10"], std::vector<std::string>{"line lost"});
    EXPECT_EQ(results["9"], std::vector<std::string>(2, "pass"));
    EXPECT_EQ(results.count("12"), 0u);
}

TEST(Batch, BadValuesAndLogsAreRefusedBeforeThePortOpens)
{
    TempDir dir;
    dir.Write("rom.bin", Image(0x800));
    dir.Write("other.csv", "date,what\n");
    dir.Write("torn.csv", "time,site,device,chip,part,image,image sum16,image crc32,serial,"
                                                           "serial bytes,chip sum16,chip crc32,result,program answer,"
                                                           "verify answer,fail address\n1,9,d,1,,r,0,0,7");
    std::filesystem::create_directory(dir.File("folder.csv"));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--serial", "10", "--serial-bytes", "0"}, 2, "batch: --serial-bytes: a serial takes 1 to 8 bytes, not 0\n"},
        {{"--serial", "10", "--serial-bytes", "9"}, 2, "batch: --serial-bytes: a serial takes 1 to 8 bytes, not 9\n"},
        {{"--serial", "10", "--serial-bytes", "1", "--serial-first", "256"}, 2,
         "batch: --serial-first: serial 256 does not fit 1 byte as le (at most 255)\n"},
        {{"--serial", "10", "--serial-format", "dec", "--serial-bytes", "2", "--serial-last", "100"}, 2,
         "batch: --serial-last: serial 100 does not fit 2 bytes as dec (at most 99)\n"},
        {{"--serial", "10", "--serial-step", "0"}, 2, "batch: --serial-step: a step of 0 would give every chip the same serial\n"},
        {{"--serial", "10", "--serial-first", "5", "--serial-last", "4"}, 2, "batch: --serial-last 4 is below --serial-first 5\n"},
        {{"--chip", "2716", "--serial", "7FE"}, 1, "the serial's bytes 07FE to 0801 pass the 2716's last address 07FF: nothing sent\n"},
        {{"--chip", "2708"}, 1, "\"rom.bin\" reaches 07FF, past the 2708's last address 03FF: nothing sent\n"},
        {{"--log-run", "other.csv"}, 3, "the run's log other.csv is refused: line 1 is not the header of a run's log: time,"},
        {{"--log-run", "torn.csv"}, 3, "the run's log torn.csv is refused: line 2: the last line has no line end (torn)\n"},
        {{"--log-run", "folder.csv"}, 3, "the run's log folder.csv is not a regular file\n"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args{"batch", "rom.bin", "--no-wait"};
        if (c.args[0] != "--log-run")
            args.insert(args.end(), {"--log-run", "run.csv"});
        if (c.args[0] == "--chip")
            args.insert(args.begin(), c.args.begin(), c.args.begin() + 2);
        args.insert(args.end(), c.args.begin() + (c.args[0] == "--chip" ? 2 : 0), c.args.end());
        // No device behind the port: a refusal after opening it would say so instead.
        UseLine(dir.File("no-device"));
        const ProcessResult r = RunProcess(ZmcliArgs(args), {}, dir.Path());
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("run.csv")));
    EXPECT_EQ(ReadFile(dir.File("other.csv")), "date,what\n");
}

TEST(Batch, AChipEndedByCtrlCOrALostLineIsRecordedSo)
{
    for (const bool lost : {false, true}) {
        TempDir dir;
        dir.Write("rom.bin", Image(0x400));
        PromsimRunner sim({"--fresh-chips", "--size", "400", "--program-time", "2000"});
        const pid_t pid = StartZmcli(sim.Path(), {"batch", "rom.bin", "--no-wait", "--serial", "10", "--log-run", "run.csv"},
                                     -1, dir.Path());
        // The started line is written just before P goes out; P then takes two seconds.
        ASSERT_TRUE(WaitForLines(dir.File("run.csv"), 2));
        usleep(300000);
        if (lost)
            sim.Stop(SIGKILL);
        else
            kill(pid, SIGINT);
        EXPECT_EQ(WaitExit(pid, 20000), lost ? 1 : 130);
        const auto rows = LogRows(dir.File("run.csv"));
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2][kResult], lost ? "line lost" : "stopped");
    }
}

TEST(Batch, TheOperatorsEnterStartsEachChipAndQEndsTheRun)
{
    TempDir dir;
    dir.Write("rom.bin", Image(0x400));
    // zm32.ini's verifyok: promsim's "Verify OK" lacks the word asked for.
    dir.Write("zm32.ini", "[zm32]\r\nverifyok=Verified\r\n");
    PromsimRunner sim({"--fresh-chips", "--size", "400"});
    ASSERT_TRUE(UsePseudoTerminal(sim.Path()));
    const ProcessResult r = RunProcess({BinPath("zmcli"), "-p" + std::to_string(kPort), "batch", "rom.bin",
                                        "--program-ok", "Program OK", "--log-run", "run.csv"},
                                       "\nq\n", dir.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "chip 1: insert it and press Enter (q ends the run)\n"
                     "chip 2: insert it and press Enter (q ends the run)\n");
    EXPECT_NE(r.out.find("chip 1: FAIL, sum16 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(": \"Verified\" not in \"Verify OK\"\nbatch: 0 passed, 1 failed\n"), std::string::npos) << r.out;
}
