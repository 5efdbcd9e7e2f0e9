#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <unistd.h>

#include "in_directory.h"
#include "scoped_env.h"
#include "format.h"
#include "numbers.h"
#include "paths.h"
#include "text.h"
#include "profile.h"
#include "settings.h"

namespace {

const std::string kUsageTail =
    "\r\nNote that - or \\ will introduce option.\r\n-ispecial.ini   specify ini file.\r\n"
    "-i-   specify no ini file.\r\n-p37   specify port 37.\r\n-b19,200   specify baud.\r\n"
    "-f7o1.5   specify data format";

// Runs LoadSettings in its own current directory, catching the usage message.
struct Loaded {
    ZM32OP op;
    SettingsState state;
    std::vector<std::string> usage;
};

Loaded Load(const std::vector<std::string> &args, const std::string &programPath = "/opt/zm/zm32")
{
    Loaded loaded;
    LoadSettings(loaded.op, loaded.state, args, programPath,
                 [&](const std::string &message) { loaded.usage.push_back(message); });
    return loaded;
}

TEST(CommandLine, Options)
{
    struct Case {
        std::vector<std::string> args;
        std::function<void(const ZM32OP &)> check;
    };
    const Case cases[] = {
        {{"-b19,200"}, [](const ZM32OP &op) { EXPECT_EQ(op.baud, 19200); }},
        {{"-b-300"}, [](const ZM32OP &op) { EXPECT_EQ(op.baud, -300); }},
        {{"-b"}, [](const ZM32OP &op) { EXPECT_EQ(op.baud, 0); }},
        {{"-f7o1.5"}, [](const ZM32OP &op) {
             EXPECT_EQ(op.databits, 7);
             EXPECT_EQ(op.parity, 'O');
             EXPECT_EQ(op.stopbits, 3);
         }},
        {{"-f8n2"}, [](const ZM32OP &op) {
             EXPECT_EQ(op.databits, 8);
             EXPECT_EQ(op.parity, 'N');
             EXPECT_EQ(op.stopbits, 2);
         }},
        {{"-f8n1"}, [](const ZM32OP &op) { EXPECT_EQ(op.stopbits, 0); }},
        {{"-f8nx"}, [](const ZM32OP &op) { EXPECT_EQ(op.stopbits, 2); }},
        {{"-f7e1-1/2"}, [](const ZM32OP &op) { EXPECT_EQ(op.stopbits, 3); }},
        {{"-f5m1"}, [](const ZM32OP &op) {
             EXPECT_EQ(op.databits, 5);
             EXPECT_EQ(op.parity, 'M');
         }},
        {{"/p3"}, [](const ZM32OP &op) { EXPECT_EQ(op.port, 3); }},
        {{"-p37", "", "-p4"}, [](const ZM32OP &op) { EXPECT_EQ(op.port, 4); }},
        {{}, [](const ZM32OP &op) {
             EXPECT_EQ(op.port, 1);
             EXPECT_EQ(op.baud, 2400);
             EXPECT_EQ(op.parity, 'N');
             EXPECT_EQ(op.stopbits, 2);
             EXPECT_EQ(op.databits, 8);
             EXPECT_EQ(op.flow, 0);
             EXPECT_EQ(op.helpText, "e(X)am\r\nIntel\r\nMotorola\r\nProgram\r\nTransfer\r\nUpload\r\nVerify");
         }},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("-i-");
        const Loaded loaded = Load(args);
        EXPECT_FALSE(loaded.state.commandLineError);
        EXPECT_TRUE(loaded.usage.empty());
        c.check(loaded.op);
    }
}

TEST(CommandLine, ErrorsShowTheFirstBadArgument)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"\\p37"}, "\\p37"}, {{"-P3"}, "-P3"}, {{"-f8n"}, "-f8n"}, {{"-x"}, "-x"},
        {{"-"}, "-"},         {{"p3"}, "p3"},   {{"-p1", "-q", "-z"}, "-q"}, {{"-%s%d"}, "-%s%d"},
    };
    for (const auto &[args, bad] : cases) {
        zmtest::TempDir dir;
        zmtest::WriteFile(dir.File("zm32.ini"), "[zm32]\nport=9\n");
        const zmtest::InDirectory in(dir.Path());
        const Loaded loaded = Load(args);
        EXPECT_TRUE(loaded.state.commandLineError) << bad;
        ASSERT_EQ(loaded.usage.size(), 1u);
        EXPECT_EQ(loaded.usage[0], "Ooops, command-line error. (\"" + bad + "\")" + kUsageTail);
        EXPECT_NE(loaded.op.port, 9);  // the file is not read
    }
}

TEST(CommandLine, ThousandsOfArguments)
{
    std::vector<std::string> args;
    for (int i = 1; i <= 5000; ++i)
        args.push_back("-p" + std::to_string(i));
    args.push_back("-b" + std::string(30000, '1'));  // the value counts up to 10000 characters
    args.push_back("-i" + std::string(20000, 'n'));  // a name no file system takes
    Loaded loaded = Load(args);
    EXPECT_FALSE(loaded.state.commandLineError);
    EXPECT_EQ(loaded.op.port, 5000);
    EXPECT_EQ(loaded.op.baud, ParseDecimal(std::string(10000, '1')));
    EXPECT_TRUE(loaded.state.settingsFileMissing);

    args.push_back(std::string(100000, 'x'));
    loaded = Load(args);
    EXPECT_TRUE(loaded.state.commandLineError);
    ASSERT_EQ(loaded.usage.size(), 1u);
    EXPECT_NE(loaded.usage[0].find(std::string(100000, 'x')), std::string::npos);
}

TEST(LoadSettings, NamesFromTheProgramPath)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/zm/zm32", "zm32"}, {"/opt/zm/zm32.exe", "zm32"}, {"zm32", "zm32"},
        {"/a.b/tool.x.y", "tool"}, {"/opt/.hidden", ""},
    };
    for (const auto &[path, stem] : cases) {
        const Loaded loaded = Load({"-i-"}, path);
        EXPECT_EQ(loaded.state.programStem, stem);
        EXPECT_EQ(loaded.state.settingsSection, stem);
    }
    zmtest::TempDir dir;
    const zmtest::InDirectory in(dir.Path());
    const Loaded loaded = Load({}, "/opt/zm/zm32-none-such");
    EXPECT_EQ(loaded.state.settingsPath, ProgramDir() + "/zm32-none-such.ini");
    EXPECT_TRUE(loaded.state.settingsFileMissing);
    EXPECT_FALSE(loaded.state.noSettingsFile);
}

TEST(LoadSettings, FileKeysBeatTheCommandLine)
{
    zmtest::TempDir dir;
    zmtest::WriteFile(dir.File("zm32.ini"), "[zm32]\nport=2\nbaud=19,200\n");
    const zmtest::InDirectory in(dir.Path());
    const std::string cwd = std::filesystem::current_path().string();

    Loaded loaded = Load({"-p3", "-b9600"});
    EXPECT_EQ(loaded.op.port, 2);
    EXPECT_EQ(loaded.op.baud, 9600);  // 19,200 is no whole number there
    EXPECT_EQ(loaded.state.settingsPath, cwd + "/zm32.ini");
    EXPECT_FALSE(loaded.state.settingsFileMissing);

    loaded = Load({"-p3", "-i-"});
    EXPECT_EQ(loaded.op.port, 3);
    EXPECT_TRUE(loaded.state.noSettingsFile);
    EXPECT_EQ(loaded.state.settingsPath, "-");
    EXPECT_FALSE(loaded.state.settingsFileMissing);
}

TEST(LoadSettings, NamedFileFromCurrentThenProgramDirectory)
{
    zmtest::TempDir dir;
    const zmtest::InDirectory in(dir.Path());
    const std::string cwd = std::filesystem::current_path().string();
    const std::string name = "special-" + std::to_string(getpid()) + ".ini";
    const std::string besideProgram = ProgramDir() + "/" + name;
    zmtest::WriteFile(besideProgram, "[zm32]\nport=6\n");

    Loaded loaded = Load({"-i" + name});
    EXPECT_EQ(loaded.state.settingsPath, besideProgram);
    EXPECT_EQ(loaded.op.port, 6);

    zmtest::WriteFile(dir.File(name), "[zm32]\nport=5\n");
    loaded = Load({"-i" + name});
    EXPECT_EQ(loaded.state.settingsPath, cwd + "/" + name);
    EXPECT_EQ(loaded.op.port, 5);
    std::filesystem::remove(besideProgram);

    loaded = Load({"-isub/" + name});
    EXPECT_EQ(loaded.state.settingsPath, "sub/" + name);
    EXPECT_TRUE(loaded.state.settingsFileMissing);
    EXPECT_EQ(loaded.op.port, 1);
}

// Reads one settings file body over a record whose every field differs from the defaults.
ZM32OP Apply(const std::string &body)
{
    ZM32OP op;
    op.port = 9;
    op.baud = 1234;
    op.parity = 'M';
    op.stopbits = 2;
    op.databits = 7;
    op.flow = 2;
    op.delayms = 3;
    op.upper = true;
    op.uploadhexstop = 0x11;
    op.uploadbinstart = 0x22;
    op.uploadbinbytes = 0x33;
    ReadSettingsFile(op, ProfileFile::Parse("[Zm32]\n" + body + "\n[list]\na=1\n b \n[void]\n"), "zm32");
    return op;
}

std::string Field(const ZM32OP &op, const std::string &name)
{
    if (name == "port") return std::to_string(op.port);
    if (name == "baud") return std::to_string(op.baud);
    if (name == "parity") return std::string(1, op.parity);
    if (name == "stopbits") return std::to_string(op.stopbits);
    if (name == "databits") return std::to_string(op.databits);
    if (name == "flow") return std::to_string(op.flow);
    if (name == "delayms") return std::to_string(op.delayms);
    if (name == "upper") return op.upper ? "1" : "0";
    if (name == "uploadoffset") return op.uploadoffset;
    if (name == "uploadhexstop") return HexPadded(op.uploadhexstop, 1);
    if (name == "uploadbinstart") return HexPadded(op.uploadbinstart, 1);
    if (name == "uploadbinbytes") return HexPadded(op.uploadbinbytes, 1);
    if (name == "log") return op.log;
    if (name == "reconnect") return op.reconnect ? "1" : "0";
    if (name == "help") return op.helpText;
    if (name == "chip") return op.chip;
    return "?";
}

TEST(SettingsFile, EveryKeyWithGoodOddAndAbsentValues)
{
    zmtest::TempDir dir;
    const zmtest::InDirectory in(dir.Path());
    const std::string cwd = std::filesystem::current_path().string();
    const std::string defaultHelp = ZM32OP().helpText;
    struct Case {
        std::string body;
        std::string field;
        std::string expected;
    };
    const Case cases[] = {
        {"port=com4", "port", "4"}, {"PORT=COM4", "port", "4"}, {"port=COMx", "port", "0"},
        {"port=3", "port", "3"}, {"port=co", "port", "0"}, {"port=Com 5", "port", "5"},
        {"port=", "port", "9"}, {"", "port", "9"}, {"port=\"12\"", "port", "12"},

        {"baud=9600", "baud", "9600"}, {"baud=19,200", "baud", "1234"}, {"baud=$2580", "baud", "9600"},
        {"baud=0x2580", "baud", "9600"}, {"baud=0X2580", "baud", "9600"}, {"baud=0x", "baud", "1234"},
        {"baud=-300", "baud", "-300"}, {"baud=+300", "baud", "300"}, {"baud=-$10", "baud", "-16"},
        {"baud=2147483647", "baud", "2147483647"}, {"baud=2147483648", "baud", "1234"},
        {"baud=-2147483648", "baud", "-2147483648"}, {"baud=$FFFFFFFF", "baud", "-1"},
        {"baud=$100000000", "baud", "1234"}, {"baud=96 00", "baud", "1234"}, {"baud=", "baud", "1234"},
        {"baud=$", "baud", "1234"}, {"baud=-", "baud", "1234"}, {"", "baud", "1234"},

        {"parity=Odd", "parity", "O"}, {"parity=EVEN", "parity", "E"}, {"parity=none", "parity", "N"},
        {"parity=", "parity", "N"}, {"parity=mark", "parity", "M"}, {"", "parity", "M"},

        {"stopbits=1-1/2", "stopbits", "3"}, {"stopbits=1.5", "stopbits", "3"}, {"stopbits=1", "stopbits", "0"},
        {"stopbits=3", "stopbits", "2"}, {"stopbits=", "stopbits", "2"}, {"", "stopbits", "2"},

        {"databits=9", "databits", "7"}, {"databits=5", "databits", "5"}, {"databits=8", "databits", "8"},
        {"databits=", "databits", "7"},

        {"", "flow", "0"}, {"flow=ctsrts", "flow", "1"}, {"flow=DtrDsr", "flow", "2"}, {"flow=rts", "flow", "0"},

        {"delayms=5", "delayms", "5"}, {"delayms=$10", "delayms", "16"}, {"delayms=5ms", "delayms", "3"},

        {"upper=0", "upper", "0"}, {"upper=yes", "upper", "1"}, {"upper=-1", "upper", "1"},
        {"reconnect=0", "reconnect", "0"}, {"reconnect=off", "reconnect", "1"}, {"", "reconnect", "1"},

        {"uploadoffset=", "uploadoffset", "0"}, {"uploadoffset=AB", "uploadoffset", "A"},
        {"uploadoffset=12", "uploadoffset", "1"}, {"", "uploadoffset", "0"},
        {"uploadoffset=\" x\"", "uploadoffset", " "},

        {"uploadhexstop=0x7FFF", "uploadhexstop", "0"}, {"uploadhexstop=$7FFF", "uploadhexstop", "7FFF"},
        {"uploadhexstop=7fff", "uploadhexstop", "7FFF"}, {"uploadhexstop=", "uploadhexstop", "11"},
        {"uploadhexstop=$", "uploadhexstop", "0"}, {"uploadhexstop=$$1", "uploadhexstop", "0"},
        {"uploadbinstart=$100", "uploadbinstart", "100"}, {"uploadbinstart=x", "uploadbinstart", "0"},
        {"", "uploadbinstart", "22"}, {"uploadbinbytes=2000", "uploadbinbytes", "2000"},
        {"uploadbinbytes=123456789", "uploadbinbytes", "23456789"},

        {"chip=27C256", "uploadbinbytes", "8000"}, {"chip=27c256-15", "uploadhexstop", "7FFF"},
        {"chip=2708", "uploadbinstart", "0"}, {"uploadbinbytes=10\nchip=2716", "uploadbinbytes", "10"},
        {"chip=none", "uploadbinbytes", "33"}, {"chip=27C999", "uploadbinbytes", "33"}, {"chip=27C999", "chip", "27C999"},
        {"chip=None", "chip", ""},

        {"log=trace.txt", "log", cwd + "/trace.txt"}, {"log=sub/trace.txt", "log", "sub/trace.txt"},
        {"log=/var/t.txt", "log", "/var/t.txt"}, {"log=", "log", ""}, {"", "log", ""},

        {"help=list", "help", "a\r\nb\r\n"}, {"help=LIST", "help", "a\r\nb\r\n"}, {"help=void", "help", ""},
        {"help=none-such", "help", ""}, {"help=", "help", defaultHelp}, {"", "help", defaultHelp},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Field(Apply(c.body), c.field), c.expected) << c.body;
}

TEST(SettingsFile, BooleanKeepsItsValueForNonNumbers)
{
    ZM32OP op;
    op.upper = false;
    ReadSettingsFile(op, ProfileFile::Parse("[zm32]\nupper=yes\n"), "zm32");
    EXPECT_FALSE(op.upper);
    ReadSettingsFile(op, ProfileFile::Parse("[zm32]\nupper=2\n"), "zm32");
    EXPECT_TRUE(op.upper);
}

TEST(SettingsFile, PortsSectionNamesDevicesByPortNumber)
{
    using Devices = std::map<int32_t, std::string>;
    const struct {
        const char *text;
        Devices devices;
    } cases[] = {
        {"[zm32]\nport=1\n", {}},  // no section
        {"[ports]\nCOM1=/dev/serial/by-id/usb-A-if00\ncom12 = \"/dev/ttyUSB1\"\n",
         {{1, "/dev/serial/by-id/usb-A-if00"}, {12, "/dev/ttyUSB1"}}},
        // Malformed: no "=", no device, no number, a number with a leading zero, not COM.
        {"[ports]\nCOM2 /dev/ttyUSB2\nCOM3=\nCOM=/dev/a\nCOM04=/dev/b\nCOM5x=/dev/c\nLPT1=/dev/d\nCOM6=/dev/e\n",
         {{6, "/dev/e"}}},
        {"[ports]\nCOM7=/dev/first\nCOM7=/dev/second\n", {{7, "/dev/first"}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ReadPortsSection(ProfileFile::Parse(c.text)), c.devices) << c.text;
}

TEST(SettingsFile, BadFilesLoseNothing)
{
    zmtest::TempDir dir;
    const zmtest::InDirectory in(dir.Path());
    std::string junk;
    for (int i = 0; i < 100000; ++i)
        junk += static_cast<char>((i * 2654435761u) >> 24);
    const std::string bodies[] = {
        junk,
        "[zm32]\nhelp=" + std::string(1 << 20, 'h') + "\nport=" + std::string(1 << 20, '7'),
        "port=5\nbaud=9600\n",
        std::string("[zm32]\0port=5\n", 14),
    };
    for (const std::string &body : bodies) {
        zmtest::WriteFile("zm32.ini", body);
        const Loaded loaded = Load({"-p3"});
        EXPECT_FALSE(loaded.state.commandLineError);
        EXPECT_FALSE(loaded.state.settingsFileMissing);
        EXPECT_EQ(loaded.op.baud, 2400);
    }
    Loaded loaded = Load({"-p3", "-i/proc/self/mem"});  // unreadable even for root
    EXPECT_EQ(loaded.op.port, 3);
    EXPECT_FALSE(loaded.state.settingsFileMissing);

    std::filesystem::remove("zm32.ini");
    std::filesystem::create_directory("zm32.ini");
    loaded = Load({"-p3", "-izm32.ini"});
    EXPECT_EQ(loaded.op.port, 3);
    EXPECT_TRUE(loaded.state.settingsFileMissing);
}

}  // namespace

// The current directory, then the user's own file, then beside the program.
TEST(LoadSettings, SearchesTheCurrentDirectoryThenTheUsersFileThenBesideTheProgram)
{
    zmtest::TempDir dir;
    zmtest::ScopedEnv env;
    const std::string name = "search-" + std::to_string(getpid()) + ".ini";
    const std::string besideProgram = ProgramDir() + "/" + name;
    zmtest::WriteFile(besideProgram, "[zm32]\nport=3\n");
    std::filesystem::create_directories(dir.File("xdg/zmtools"));
    std::filesystem::create_directories(dir.File("home/.config/zmtools"));
    dir.Write("xdg/zmtools/" + name, "[zm32]\nport=2\n");
    dir.Write("home/.config/zmtools/" + name, "[zm32]\nport=4\n");
    const zmtest::InDirectory in(dir.Path());
    struct Case {
        std::optional<std::string> xdg, home;
        bool inCurrent;
        std::string path;
        int32_t port;
    } cases[] = {
        {dir.File("xdg"), dir.File("home"), true, dir.File(name), 1},
        {dir.File("xdg"), dir.File("home"), false, dir.File("xdg/zmtools/" + name), 2},
        {dir.File("xdg") + "/", std::nullopt, false, dir.File("xdg/zmtools/" + name), 2},
        {std::nullopt, dir.File("home"), false, dir.File("home/.config/zmtools/" + name), 4},
        {"", dir.File("home"), false, dir.File("home/.config/zmtools/" + name), 4},
        {"xdg", dir.File("home"), false, dir.File("home/.config/zmtools/" + name), 4},  // relative: ignored
        {dir.File("none"), dir.File("home"), false, besideProgram, 3},
        {std::nullopt, std::nullopt, false, besideProgram, 3},
    };
    for (const Case &c : cases) {
        env.Set("XDG_CONFIG_HOME", c.xdg);
        env.Set("HOME", c.home);
        if (c.inCurrent)
            dir.Write(name, "[zm32]\nport=1\n");
        else
            std::filesystem::remove(dir.File(name));
        const Loaded loaded = Load({"-i" + name});
        EXPECT_EQ(loaded.state.settingsPath, c.path) << c.xdg.value_or("(unset)");
        EXPECT_EQ(loaded.op.port, c.port) << c.path;
    }
    std::filesystem::remove(besideProgram);
}
