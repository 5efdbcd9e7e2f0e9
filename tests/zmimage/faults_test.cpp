// zmimage on broken files and bad command lines: the message names the file and the line, the
// exit status says what went wrong, and no output is left behind or spoiled; outputs are
// written in place, to standard output and through links.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "run_process.h"
#include "temp_dir.h"

using namespace zmtest;

namespace {

ProcessResult Zmimage(const TempDir &dir, std::vector<std::string> args, const std::string &input = {})
{
    args.insert(args.begin(), BinPath("zmimage"));
    return RunProcess(args, input, dir.Path());
}

const std::string kGood = ":0400100001020304E2\r\n:0400140005060708CE\r\n:00000001FF\r\n";

}  // namespace

TEST(ZmimageFaults, BadInputsAndCommandLinesLeaveNoOutput)
{
    struct Case {
        const char *name;
        std::string input;  // in.hex
        std::vector<std::string> args;
        int status;
        std::string err;  // the start of standard error
    } cases[] = {
        {"bad checksum", ":0400100001020304E2\n:0400140005060708C3\n", {"convert", "in.hex", "out.bin"}, 1,
         "zmimage: in.hex:2: bad checksum C3, the record's bytes want CE\n"},
        {"bad length", ":0400100001020304E2\n:05001400050607080C\n", {"convert", "in.hex", "out.bin"}, 1,
         "zmimage: in.hex:2: bad length: the count says 5 data bytes, the line holds 4\n"},
        {"overlap", kGood.substr(0, 42) + ":0100120009E4\r\n", {"split", "in.hex", "out.bin", "odd.bin"}, 1,
         "zmimage: in.hex:3: address 00000012 gets 09 here and 03 on line 1\n"},
        {"truncated", kGood.substr(0, 30), {"convert", "in.hex", "out.hex"}, 1, "zmimage: in.hex:2: too short for a record"}, {"cut in a pair", kGood.substr(0, 31), {"convert", "in.hex", "out.hex"}, 1, "zmimage: in.hex:2: an odd number of digits"},
        {"noise", ":0400100001020304E2\n:04001400\x01\xFE" "0708CE\n", {"swap", "in.hex", "out.bin"}, 1,
         "zmimage: in.hex:2: column 10: byte 01 is not a hex digit\n"},
        {"S-record count", "S107001001020304DE\nS5030002FA\n", {"fill", "in.hex", "out.bin", "--size", "2716"}, 1,
         "zmimage: in.hex:2: the count record says 2 data records, the file has 1\n"},
        {"past the chip", kGood, {"fill", "in.hex", "out.bin", "--size", "16"}, 1,
         "zmimage: in.hex: the image reaches 00000017, past the chip's last address 0000000F\n"},
        {"moved below 0", kGood, {"move", "in.hex", "out.bin", "--by=-11"}, 1, "zmimage: in.hex: moved by -00000011"},
        {"below --base", kGood, {"convert", "in.hex", "out.bin", "--base", "12"}, 1,
         "zmimage: out.bin: the image begins at 00000010, below --base 00000012\n"},
        {"binary noise named as records", std::string("\x8F\x00\xFF:10", 6), {"convert", "in.hex", "out.bin"}, 1,
         "zmimage: in.hex:1: not an Intel hex record: it does not begin with ':'\n"},
        {"missing input", "", {"convert", "none.hex", "out.bin"}, 3, "zmimage: Couldn't open \"none.hex\" for read\n"},
        {"output in a missing folder", kGood, {"convert", "in.hex", "no/out.bin"}, 3, "zmimage: Couldn't create \"no/out.bin\""},
        {"unknown command", kGood, {"burn", "in.hex"}, 2, "zmimage: unknown command \"burn\"\n"},
        {"unknown option", kGood, {"convert", "in.hex", "out.bin", "--fast"}, 2, "zmimage: unknown option \"--fast\"\n"},
        {"option of another command", kGood, {"convert", "in.hex", "out.bin", "--by", "10"}, 2,
         "zmimage: --by is no option of convert\n"},
        {"fill without a size", kGood, {"fill", "in.hex", "out.bin"}, 2, "zmimage: fill needs --size\n"},
        {"no such part", kGood, {"fill", "in.hex", "out.bin", "--size", "27C999"}, 2, "zmimage: --size wants"},
        {"past S2", ":020000040100F9\r\n" + kGood, {"convert", "in.hex", "out.s28"}, 1,
         "zmimage: out.s28: the image's highest address 01000017 does not fit S2's 24 bits: call it .s37\n"},
        {"split into one", kGood, {"split", "in.hex", "out.bin"}, 2, "zmimage: split takes 3 to 5 files, not 2\n"},
        {"swap of 3", kGood, {"swap", "in.hex", "out.bin", "--width", "3"}, 2, "zmimage: --width wants 2 or 4, not \"3\"\n"},
        {"output of no known kind", kGood, {"convert", "in.hex", "out.txt"}, 2, "zmimage: cannot tell the format of \"out.txt\""},
        {"two formats", kGood, {"info", "in.hex", "--hex", "--binary"}, 2, "zmimage: --hex, --srec and --binary exclude each other\n"},
        {"serial too big for its width", kGood, {"serial", "in.hex", "out.bin", "--at", "10", "--value", "100", "--serial-format", "bcd", "--serial-bytes", "1"}, 2,
         "zmimage: --value: serial 100 does not fit 1 byte as bcd (at most 99)\n"},
        {"serial of 9 bytes", kGood, {"serial", "in.hex", "out.bin", "--at", "10", "--value", "1", "--serial-bytes", "9"}, 2,
         "zmimage: --serial-bytes wants 1 to 8, not \"9\"\n"},
        {"serial without its value", kGood, {"serial", "in.hex", "out.bin", "--at", "10"}, 2, "zmimage: serial needs --value\n"},
        {"S1 too long", kGood, {"convert", "in.hex", "out.s19", "--record-size", "253"}, 2,
         "zmimage: out.s19: --record-size 253 is too long for S1 records: at most 252\n"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        dir.Write("in.hex", c.input);
        dir.Write("keep.bin", "kept");
        const ProcessResult r = Zmimage(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        for (const char *out : {"out.bin", "out.hex", "odd.bin", "out.txt", "out.s19", "out.s28"})
            EXPECT_NE(access(dir.File(out).c_str(), F_OK), 0) << c.name << ": " << out << " left behind";
        // The same over an output that is there: it keeps what it held.
        std::vector<std::string> over = c.args;
        for (std::string &arg : over)
            if (arg == "out.bin")
                arg = "keep.bin";
        Zmimage(dir, over);
        EXPECT_EQ(ReadFile(dir.File("keep.bin")), c.status == 0 ? ReadFile(dir.File("keep.bin")) : "kept") << c.name;
    }
}

TEST(ZmimageFaults, OutputsInPlaceAndOnTheStandardStreams)
{
    TempDir dir;
    dir.Write("in.hex", kGood);
    const std::string bytes = "\x01\x02\x03\x04\x05\x06\x07\x08";

    // A link is written through and stays a link.
    dir.Write("target.bin", "old");
    ASSERT_EQ(symlink("target.bin", dir.File("link.bin").c_str()), 0);
    EXPECT_EQ(Zmimage(dir, {"convert", "in.hex", "link.bin"}).status, 0);
    struct stat status;
    ASSERT_EQ(lstat(dir.File("link.bin").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(ReadFile(dir.File("target.bin")), bytes);

    // Standard input and output; without --to the output keeps the input's format.
    ProcessResult r = Zmimage(dir, {"convert", "-", "-", "--to", "bin"}, kGood);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, bytes);
    r = Zmimage(dir, {"convert", "-", "-", "--binary", "--start", "0x10"}, bytes);
    EXPECT_EQ(r.out, bytes);
    // A serial over the data and past it, ASCII decimal.
    r = Zmimage(dir, {"serial", "in.hex", "-", "--at", "16", "--value", "42", "--serial-format", "dec", "--to", "bin"});
    EXPECT_EQ(r.out, std::string("\x01\x02\x03\x04\x05\x06" "0042", 10)) << r.err;
    r = Zmimage(dir, {"move", "in.hex", "-", "--by", "FFF0"});
    EXPECT_EQ(r.out, ":020000040001F9\r\n:080000000102030405060708D4\r\n:00000001FF\r\n");

    // The records' address width as the name says: S2 for .s28, S3 for .s37.
    ASSERT_EQ(Zmimage(dir, {"convert", "in.hex", "out.s28"}).status, 0);
    EXPECT_EQ(ReadFile(dir.File("out.s28")).substr(12, 10), "S20C000010");
    ASSERT_EQ(Zmimage(dir, {"convert", "in.hex", "out.s37"}).status, 0);
    EXPECT_EQ(ReadFile(dir.File("out.s37")).substr(12, 12), "S30D00000010");

    // Sizes as people write them.
    for (const auto &[size, bytesOf] : std::vector<std::pair<std::string, size_t>>{
             {"27C256", 32768}, {"2716", 2048}, {"32K", 32768}, {"0x100", 256}, {"100", 100}, {"M27C4001", 524288},
             {"27C010", 131072}, {"2708", 1024}, {"28c256", 32768}, {"39SF040", 524288}, {"27C1024", 131072},
             {"am27c512-15", 65536}}) {
        EXPECT_EQ(Zmimage(dir, {"fill", "in.hex", "filled.bin", "--size", size}).status, 0) << size;
        EXPECT_EQ(ReadFile(dir.File("filled.bin")).size(), bytesOf) << size;
    }
    r = Zmimage(dir, {"info", "filled.bin", "--size", "0x10000"});
    EXPECT_EQ(r.out, "format binary\nrange 00000000-0000FFFF 65536 bytes\nsize 65536 bytes\nchip 65536 bytes\n"
                     "start none\nsum8 2C\nsum16 F82C\ncrc32 " + r.out.substr(r.out.size() - 9));
}
