// dabrix as a process: images built from records, the command line, messages and exit statuses.

#include "converter_fixture.h"

#include <unistd.h>

namespace zmtest {
namespace {

const char kDabrixUsage[] =
    "dabrix infile outfile      Mar 12 2007\n"
    " Translates Motorola or Intel to binary. Doesn't check checksum;\n"
    " ignores everything but data records.\n"
    " -oHex  bias. Data below discarded; data >= gets bias subtracted.\n"
    " -fHex  fill. Normally ff.      (win32)\n";

std::string ff(size_t n) { return std::string(n, '\xFF'); }

using DabrixTest = ConverterTest;

TEST_F(DabrixTest, BuildsTheImageFromDataRecords)
{
    const std::string intel10 = ":0400100001020304E2\n";
    const std::string s110 = "S107001001020304DE\n";
    const std::string tenBytes = "\x01\x02\x03\x04";
    std::string longData;
    for (int i = 0; i < 100; ++i)
        longData += "AB";
    const std::vector<ConversionCase> cases = {
        {"bias taken off", {"in.hex", "out.bin", "-o10"}, intel10, tenBytes},
        {"no bias", {"in.hex", "out.bin"}, intel10, ff(16) + tenBytes},
        {"S1 with bias", {"-o10", "in.hex", "out.bin"}, s110, tenBytes},
        {"S1 without bias", {"in.hex", "out.bin"}, s110, ff(16) + tenBytes},
        {"empty input", {"in.hex", "out.bin"}, "", ff(1)},
        {"end record only", {"in.hex", "out.bin"}, ":00000001FF\n", ff(1)},
        {"S2 and S3 only", {"in.hex", "out.bin"}, "S2080000100102030400\nS30900001000010203045E\n", ff(1)},
        {"all below the bias", {"in.hex", "out.bin", "-o100"}, intel10, ff(1)},
        {"data after the end record", {"in.hex", "out.bin"}, ":00000001FF\n:0100000042BD\n", "\x42"},
        {"checksum never checked", {"in.hex", "out.bin"}, ":0100000042FF\n", "\x42"},
        {"lower-case digits", {"-fa5", "in.hex", "out.bin"}, ":04001000aabbccdd00\n",
         std::string(16, '\xA5') + "\xAA\xBB\xCC\xDD"},
        {"-f without digits fills 00", {"in.hex", "out.bin", "-f"}, ":0100020011EC\n", bytes({0, 0, 0x11})},
        {"fill keeps its low eight bits", {"in.hex", "out.bin", "-f1A5"}, ":0100020011EC\n", "\xA5\xA5\x11"},
        {"0x prefix reads as 0", {"in.hex", "out.bin", "-f0x55"}, ":0100020011EC\n", bytes({0, 0, 0x11})},
        {"a later -o replaces, no digits is 0", {"-o10", "-o", "in.hex", "out.bin"}, intel10, ff(16) + tenBytes},
        {"bias of more than eight digits", {"-o123456789", "in.hex", "out.bin"}, intel10, ff(1)},
        {"value apart from its letter is a file", {"in.hex", "-f", "FF"}, ":0100020011EC\n", bytes({0, 0, 0x11}), "FF"},
        {"lone - ignored", {"-", "in.hex", "out.bin"}, ":0100000042BD\n", "\x42"},
        {"lone / switches the option character", {"in.hex", "/", "-fA5"}, ":0100010042BC\n", "\xFF\x42", "-fA5"},
        {"/o100 then -fA5 as the output", {"in.hex", "/o100", "-fA5"}, ":0401020001020304F2\n",
         ff(2) + tenBytes, "-fA5"},
        {"an argument starting with / is an option", {"/fw/in.hex", "in.hex", "out.bin"}, ":0100010042BC\n",
         bytes({0, 0x42})},
        {"lines starting otherwise are skipped", {"in.hex", "out.bin"},
         " :0100000042BD\ns10400004241\n;:0100000042BD\n", ff(1)},
        {"the later record wins", {"in.hex", "out.bin"}, ":020000001122CB\nS104000133C7\n", "\x11\x33"},
        {"CR LF and stray CR read like LF", {"in.hex", "out.bin"}, ":04001000\r01020304E2\r\n\r\n",
         ff(16) + tenBytes},
        {"Ctrl-Z ends the input", {"in.hex", "out.bin"}, ":0100000011EE\n\x1A:0100010022DC\n", "\x11"},
        {"a long line arrives in pieces of 199", {"in.hex", "out.bin"}, std::string(199, 'x') + ":0100000055AA\n",
         "\x55"},
        {"data past the 199th character reads as 0", {"in.hex", "out.bin"}, ":64000000" + longData + "00\n",
         std::string(95, '\xAB') + std::string(5, '\0')},
        {"pairs cut short by non-digits", {"in.hex", "out.bin"}, ":020000001GG100\n", bytes({0x01, 0x00})},
        {"pair at the line feed", {"in.hex", "out.bin"}, ":010000005\n", "\x05"},
        {"count beyond the line reads 0", {"in.hex", "out.bin"}, ":03000000AA\n", bytes({0xAA, 0, 0})},
        {"Intel line shorter than 11", {"in.hex", "out.bin"}, ":01000000\n", ff(1)},
        {"extended address records skipped", {"in.hex", "out.bin"}, ":02000004000FEB\n:0100000042BD\n", "\x42"},
        {"S1 without data", {"in.hex", "out.bin"}, "S1030000FC\nS10200001111\n", ff(1)},
        {"S-line with a non-digit type", {"in.hex", "out.bin"}, "SX05000011E9\nS9030000FC\n", ff(1)},
        {"S1 data cut by the line feed", {"in.hex", "out.bin"}, "S1050000AB\n", bytes({0xAB, 0})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectConversion("dabrix", c.args, "in.hex", c.input, c.outName.empty() ? "out.bin" : c.outName, c.expected);
    }
}

TEST_F(DabrixTest, SaysWhatItLeavesOutOfWellFormedFiles)
{
    const std::string end = ":00000001FF\r\n";
    const std::string s1 = "S107001001020304DE\n";
    struct Case {
        const char *name;
        std::string input;
        std::string expected;  // the image, as before
        std::string err;
    } cases[] = {
        {"S2 and S3 records", "S0030000FC\n" + s1 + "S20800001001020304DD\nS30900001000010203045E\nS3090000100001020304DC\n",
         ff(16) + "\x01\x02\x03\x04",
         "dabrix: skipped 2 S2/S3 data records (24- and 32-bit addresses), the first on line 3: zmimage reads them\n"},
        {"data above 64 KiB", ":020000040001F9\r\n:01800000423D\r\n" + end, ff(0x8000) + "\x42",
         "dabrix: placed 1 data record at its 16-bit address, not where a non-zero extended address record moves it, "
         "the first on line 2: zmimage reads it\n"},
        {"segment address, two records", ":0100000011EE\n:020000021000EC\n:0100010042BC\n:0100020043BA\n" + end,
         "\x11\x42\x43",
         "dabrix: placed 2 data records at their 16-bit addresses, not where a non-zero extended address record moves "
         "them, the first on line 3: zmimage reads them\n"},
        {"extended address back to 0", ":020000040001F9\n:020000040000FA\n:0100000042BD\n" + end, "\x42", ""},
        {"S2 without data", "S2040000FB\n", ff(1), ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write("in.hex", c.input);
        const ProcessResult r = run("dabrix", {"in.hex", "out.bin"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(read("out.bin"), c.expected);
    }
}

TEST_F(DabrixTest, AddressesRunPastFFFFWithoutWrapping)
{
    write("in.hex", ":10FFF800000102030405060708090A0B0C0D0E0F81\n");
    ASSERT_EQ(run("dabrix", {"in.hex", "out.bin"}).status, 0);
    std::string image = read("out.bin");
    ASSERT_EQ(image.size(), 0x10008u);
    EXPECT_EQ(image.substr(0xFFF8), bytes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(image.substr(0, 0xFFF8), ff(0xFFF8));
}

TEST_F(DabrixTest, BadCommandLinesPrintTheUsageBeforeOpeningAnything)
{
    write("in.hex", ":0100000042BD\n");
    const std::vector<std::vector<std::string>> lines = {
        {}, {"in.hex"}, {"-o10", "in.hex"}, {"-F", "in.hex", "out.bin"}, {"in.hex", "out.bin", "-O10"},
        {"in.hex", "out.bin", "-x"}, {"in.hex", "out.bin", "/x"}, {"in.hex", "out.bin", "third"},
    };
    for (const auto &args : lines) {
        SCOPED_TRACE(::testing::PrintToString(args));
        ProcessResult r = run("dabrix", args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, kDabrixUsage);
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(exists("out.bin"));
    }
}

TEST_F(DabrixTest, FilesThatCannotBeOpened)
{
    write("in.hex", ":0100000042BD\n");
    ProcessResult r = run("dabrix", {"missing.hex", "out.bin"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "couldn't open missing.hex for r.");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(exists("out.bin")) << "the input is opened first";

    r = run("dabrix", {"in.hex", "nodir/out.bin"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "couldn't open nodir/out.bin for wb+.");
    EXPECT_EQ(r.out, "");

    // The input named again as output, directly or through a link, is refused untouched.
    ASSERT_EQ(symlink("in.hex", path("alias.hex").c_str()), 0);
    for (const char *output : {"in.hex", "./in.hex", "alias.hex"}) {
        r = run("dabrix", {"in.hex", output});
        EXPECT_EQ(r.status, 3) << output;
        EXPECT_EQ(r.err, std::string("couldn't open ") + output + " for wb+.");
        EXPECT_EQ(read("in.hex"), ":0100000042BD\n");
    }
}

TEST_F(DabrixTest, FailedWritesReadsAndRewindsEndWithStatus3)
{
    write("in.hex", ":0100000042BD\n");
    // File names never start with "/" here, so the devices are reached through links.
    ASSERT_EQ(symlink("/dev/full", path("full").c_str()), 0);
    ASSERT_EQ(symlink("/dev/stdin", path("stdin").c_str()), 0);
    std::filesystem::create_directory(path("adir"));

    ProcessResult r = run("dabrix", {"in.hex", "full"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "error writing output file\n");
    EXPECT_EQ(r.err, "");

    r = run("dabrix", {"adir", "out.bin"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "error reading input file\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read("out.bin"), "") << "the output stays as written so far";

    // A pipe cannot be read a second time: no image of fill bytes alone may pass as converted.
    r = run("dabrix", {"stdin", "piped.bin"}, ":0400100001020304E2\n");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "error reading input file\n");
    EXPECT_EQ(r.out, "");
}

} // namespace
} // namespace zmtest
