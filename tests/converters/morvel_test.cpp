// morvel as a process: records written, the command line, messages and exit statuses.

#include "converter_fixture.h"

namespace zmtest {
namespace {

const char kMorvelUsage[] =
    "morvel bin_input_file Intel_hex_output_file [-oHex_offset] [-0] \n"
    "Normally uses intel EOF \xC4\xC4 :01000001FF\n"
    "-0     Use barbaric 0-length EOF record \xC4\xC4 :0000000000\n"
    "-1     Use another (prompro?) \xC4\xC4 :00000001FF\n"
    "Mar 12 2007 (win32)";

const char kSixteen[] = ":10000000000102030405060708090A0B0C0D0E0F78\r\n";

std::string counting(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s.push_back(char(i));
    return s;
}

using MorvelTest = ConverterTest;

TEST_F(MorvelTest, WritesDataRecordsAndTheChosenEndRecord)
{
    const std::vector<ConversionCase> cases = {
        {"empty input", {"in.bin", "out.hex"}, "", ":01000001FF\r\n"},
        {"sixteen bytes", {"in.bin", "out.hex"}, counting(16), std::string(kSixteen) + ":01000001FF\r\n"},
        {"start address", {"in.bin", "out.hex", "-o1234"}, "\x01\x02\x03", ":03123400010203B1\r\n:01000001FF\r\n"},
        {"seventeen bytes", {"in.bin", "out.hex"}, counting(16) + "\x10",
         std::string(kSixteen) + ":0100100010DF\r\n:01000001FF\r\n"},
        {"-1", {"-1", "in.bin", "out.hex"}, "", ":00000001FF\r\n"},
        {"-0", {"in.bin", "-0", "out.hex"}, "", ":0000000000\r\n"},
        {"-0 wins over -1", {"in.bin", "out.hex", "-1", "-0"}, "", ":0000000000\r\n"},
        {"lower-case start address", {"-oabcd", "in.bin", "out.hex"}, "\xFF", ":01ABCD00FF88\r\n:01000001FF\r\n"},
        {"start above FFFF written modulo", {"-o12345", "in.bin", "out.hex"}, "\x01", ":012345000196\r\n:01000001FF\r\n"},
        {"a later -o replaces", {"-o10", "-o20x", "in.bin", "out.hex"}, "\x01", ":0100200001DE\r\n:01000001FF\r\n"},
        {"bytes 80 to FF unsigned", {"in.bin", "out.hex"}, "\x80\xFF", ":0200000080FF7F\r\n:01000001FF\r\n"},
        {"value apart from its letter is a file", {"in.bin", "-o", "100"}, "\x01", ":0100000001FE\r\n:01000001FF\r\n",
         "100"},
        {"a record is not split at FFFF", {"-oFFF8", "in.bin", "out.hex"}, counting(32),
         ":10FFF800000102030405060708090A0B0C0D0E0F81\r\n"
         ":10000800101112131415161718191A1B1C1D1E1F70\r\n:01000001FF\r\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectConversion("morvel", c.args, "in.bin", c.input, c.outName.empty() ? "out.hex" : c.outName, c.expected);
    }
}

TEST_F(MorvelTest, AddressesStartAgainAt0000After64KiB)
{
    write("in.bin", std::string(0x10000 + 16, '\x11'));
    ASSERT_EQ(run("morvel", {"in.bin", "out.hex"}).status, 0);
    std::string text = read("out.hex");
    const size_t line = 45; // 16 data bytes, CR LF
    ASSERT_EQ(text.size(), 4097 * line + 13);
    EXPECT_EQ(text.substr(4095 * line, 9), ":10FFF000");
    EXPECT_EQ(text.substr(4096 * line, 9), ":10000000");
    EXPECT_EQ(text.find(":02000004"), std::string::npos);
}

TEST_F(MorvelTest, BadCommandLinesPrintTheUsage)
{
    write("in.bin", "\x01");
    struct Line {
        std::vector<std::string> args;
        bool outputCreated;
    };
    const std::vector<Line> lines = {
        {{}, false},
        {{"out.hex"}, false},
        {{"-", "in.bin", "out.hex"}, false},
        {{"-O10", "in.bin", "out.hex"}, false},
        {{"-0", "-1", "in.bin"}, false},
        {{"in.bin", "out.hex", "third"}, true},
        {{"in.bin", "out.hex", "-x"}, true},
    };
    for (const auto &l : lines) {
        SCOPED_TRACE(::testing::PrintToString(l.args));
        std::filesystem::remove(path("out.hex"));
        if (l.outputCreated)
            write("out.hex", "old content");
        ProcessResult r = run("morvel", l.args);
        EXPECT_EQ(r.status, 7);
        EXPECT_EQ(r.err, kMorvelUsage);
        EXPECT_EQ(r.out, "");
        if (l.outputCreated)
            EXPECT_EQ(read("out.hex"), "") << "opened, and so emptied, before the bad argument";
        else
            EXPECT_FALSE(exists("out.hex"));
    }
}

TEST_F(MorvelTest, FilesThatCannotBeOpened)
{
    write("in.bin", "\x01");
    ProcessResult r = run("morvel", {"missing.bin", "out.hex", "-x"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "couldn't open missing.bin for rb.") << "nothing after the input is looked at";
    EXPECT_FALSE(exists("out.hex"));

    r = run("morvel", {"in.bin", "nodir/out.hex"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "couldn't open nodir/out.hex for w.");

    // The input named again as output, directly or through a link, is refused untouched.
    ASSERT_EQ(symlink("in.bin", path("alias.bin").c_str()), 0);
    for (const char *output : {"in.bin", "./in.bin", "alias.bin"}) {
        r = run("morvel", {"in.bin", output});
        EXPECT_EQ(r.status, 3) << output;
        EXPECT_EQ(r.err, std::string("couldn't open ") + output + " for w.");
        EXPECT_EQ(read("in.bin"), "\x01");
    }
}

TEST_F(MorvelTest, FailedWritesAndReadsEndWithStatus3)
{
    // A small output fails only when it is flushed at the end, a large one while it is written.
    for (size_t size : {size_t(3), size_t(1) << 20}) {
        SCOPED_TRACE(size);
        write("in.bin", std::string(size, '\x5A'));
        ProcessResult r = run("morvel", {"in.bin", "/dev/full"});
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, "error writing output file\n");
        EXPECT_EQ(r.out, "");
    }

    std::filesystem::create_directory(path("adir"));
    ProcessResult r = run("morvel", {path("adir"), "out.hex"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "error reading input file\n");
    EXPECT_EQ(read("out.hex"), "") << "no end record after a failed read";
}

} // namespace
} // namespace zmtest
