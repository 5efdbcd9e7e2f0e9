// zmcli verify and download --verify against promsim: what is said and the exit status for
// files that match the simulated memory or not, gaps, rejected records and unreadable files.
#include "zmcli_support.h"

using namespace zmtest;

namespace {

// Intel hex of `bytes` at `address` by morvel, the end record dropped when `more` follow.
std::string Morvel(const TempDir &dir, const std::string &bytes, int address, bool more = false)
{
    dir.Write("part.bin", bytes);
    char offset[16];
    std::snprintf(offset, sizeof offset, "-o%X", address);
    EXPECT_EQ(RunProcess({BinPath("morvel"), dir.File("part.bin"), dir.File("part.hex"), offset, "-1"}).status, 0);
    const std::string hex = ReadFile(dir.File("part.hex"));
    return more ? hex.substr(0, hex.find(":00000001FF")) : hex;
}

// Motorola S1 records (with an S0 header and S9 end) of `bytes` at `address`, by objcopy.
std::string Srec(const TempDir &dir, const std::string &bytes, int address)
{
    dir.Write("part.bin", bytes);
    EXPECT_EQ(RunProcess({"/usr/bin/objcopy", "-I", "binary", "-O", "srec", "--change-addresses",
                          std::to_string(address), dir.File("part.bin"), dir.File("part.srec")})
                  .status,
              0);
    return ReadFile(dir.File("part.srec"));
}

std::string Changed(std::string bytes, size_t at, int to = -1)
{
    bytes[at] = static_cast<char>(to >= 0 ? to : bytes[at] ^ 0x5A);
    return bytes;
}

std::string Inverted(std::string bytes)
{
    for (char &c : bytes)
        c = static_cast<char>(~c);
    return bytes;
}

std::string Byte(const std::string &bytes, size_t at)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<uint8_t>(bytes[at]));
    return text;
}

// The group of a byte that differs: a 0 in the chip where the file has 1 needs an erase.
std::string Group(const std::string &file, const std::string &chip, size_t count = 1)
{
    uint64_t erase = 0;
    for (size_t i = 0; i < file.size(); ++i)
        erase += (static_cast<uint8_t>(file[i]) & ~static_cast<uint8_t>(chip[i])) != 0;
    std::string text;
    if (erase)
        text += std::to_string(erase) + " not erased? an EPROM cannot turn 0 into 1 by programming; erase it first\n";
    if (count > erase)
        text += std::to_string(count - erase) + " not programmed\n";
    return text;
}

}  // namespace

TEST(ZmcliVerify, EachFileAgainstTheSimulatedMemory)
{
    TempDir dir;
    const std::string memory = Image(0x400);
    const std::string other = Image(0x800).substr(0x400);
    const std::string bad = Changed(memory.substr(0x100, 0x30), 0x05);
    const std::string equal = "verify: 48 bytes equal\n";
    // The sums of what was compared or sent, the last line of a verify or a download that ended well.
    const auto sums = [&dir](const char *command, const std::string &bytes) {
        return std::string(command) + ": " + SumsOf(dir.Write("sums.bin", bytes)) + "\n";
    };
    const std::string unerased = Changed(memory.substr(0x100, 0x30), 0x05, 0xFF);
    struct Case {
        const char *name;
        std::string file;  // the file's content
        std::vector<std::string> args;  // FILE is "f"
        std::vector<std::string> faults;
        int status;
        std::string err;
        std::string memoryAfter;  // when not empty: the simulated memory's first 0x30 bytes after it
    } cases[] = {
        {"hex equal", Morvel(dir, memory.substr(0x100, 0x30), 0x100), {"verify", "f"}, {}, 0,
         equal + sums("verify", memory.substr(0x100, 0x30)), ""},
        {"S1 equal", Srec(dir, memory.substr(0x100, 0x30), 0x100), {"verify", "f"}, {}, 0,
         equal + sums("verify", memory.substr(0x100, 0x30)), ""},
        {"binary equal", memory.substr(0x100, 0x30), {"verify", "f", "--start", "0x100"}, {}, 0,
         equal + sums("verify", memory.substr(0x100, 0x30)), ""},
        {"binary quiet", memory.substr(0x100, 0x30), {"--quiet", "verify", "f", "--start", "100"}, {}, 0,
         sums("verify", memory.substr(0x100, 0x30)), ""},
        {"hex biased, a part's sums", Morvel(dir, memory.substr(0x100, 0x30), 0x1100),
         {"verify", "f", "--offset", "1000", "--chip", "2708"}, {}, 0,
         equal + "verify: " + SumsOf(dir.Write("sums.bin", memory.substr(0x100, 0x30)), {"--binary", "--start", "100", "--size", "2708"}) +
             ", whole 2708 (1024 bytes, gaps FF)\n", ""},
        {"binary different", bad, {"verify", "f", "--start", "100", "--binary"}, {}, 1,
         "0105: file " + Byte(bad, 5) + ", programmer " + Byte(memory, 0x105) + "\n" +
             Group(bad.substr(5, 1), memory.substr(0x105, 1)) + "verify: 1 of 48 bytes differ\n", ""},
        {"0 where the file has 1", unerased, {"verify", "f", "--start", "100", "--binary"}, {}, 1,
         "0105: file FF, programmer " + Byte(memory, 0x105) +
             "\n1 not erased? an EPROM cannot turn 0 into 1 by programming; erase it first\nverify: 1 of 48 bytes differ\n", ""},
        // 0x20 bytes not read between the runs, 0x200 bytes apart: two passes; only the second differs.
        {"gap between records",
         Morvel(dir, memory.substr(0x10, 0x10), 0x10, true) + Morvel(dir, Changed(memory.substr(0x300, 0x10), 2), 0x300),
         {"verify", "f"}, {}, 1,
         "0302: file " + Byte(Changed(memory.substr(0x300, 0x10), 2), 2) + ", programmer " + Byte(memory, 0x302) +
             "\n" + Group(Changed(memory.substr(0x300, 0x10), 2).substr(2, 1), memory.substr(0x302, 1)) +
             "verify: 1 of 32 bytes differ\n", ""},
        {"more than 20 differ", Inverted(memory.substr(0, 0x30)), {"verify", "f", "--binary"}, {}, 1,
         "... and 28 more\n" + Group(Inverted(memory.substr(0, 0x30)), memory.substr(0, 0x30), 48) +
             "verify: 48 of 48 bytes differ\n", ""},
        {"failed read-back", memory.substr(0, 0x30), {"verify", "f"}, {"--silent"}, 1, "missing space\n", ""},
        {"unreadable file", "", {"verify", "none"}, {}, 3, "Couldn't open \"none\" for read\n", ""},
        {"no data record", ":00000001FF\r\n", {"verify", "f"}, {}, 1,
         "\"f\" has no data record: nothing to send\n", ""},
        // Downloads: the programmer's answer, then the read-back against the same file.
        {"binary download, image differs", other.substr(0, 0x30), {"download", "f", "--verify"}, {}, 0,
         "Transfer OK: 48 bytes in 3 records\n" + equal + sums("download", other.substr(0, 0x30)), other.substr(0, 0x30)},
        {"binary download, image matches", memory.substr(0, 0x30), {"download", "f", "--verify", "--binary"}, {}, 0,
         "Transfer OK: 48 bytes in 3 records\n" + equal + sums("download", memory.substr(0, 0x30)), memory.substr(0, 0x30)},
        {"hex download, image differs", Morvel(dir, other.substr(0, 0x30), 0), {"download", "f", "--verify"}, {}, 0,
         "Transfer OK: 48 bytes in 3 records\n" + equal + sums("download", other.substr(0, 0x30)), other.substr(0, 0x30)},
        // The programmer's refusal, and a bad record refused before anything is sent.
        {"rejected download", Morvel(dir, std::string(16, '\0'), 0x400), {"download", "f"}, {}, 1,
         "Transfer failed, line 1: address beyond memory\n", memory.substr(0, 0x30)},
        {"bad record, nothing sent", ":10000000" + std::string(32, '0') + "00\r\n:00000001FF\r\n",
         {"download", "f", "--verify", "--quiet"}, {}, 1, "f:1: bad checksum 00, the record's bytes want F0\n",
         memory.substr(0, 0x30)},
        {"download, nobody answers", memory.substr(0, 0x10), {"download", "f"}, {"--silent"}, 1,
         "download: no prompt from the programmer after the transfer\n", ""},
        {"empty file, nothing sent", "", {"download", "f"}, {}, 1, "\"f\" is empty: nothing to send\n", memory.substr(0, 0x30)},
    };
    for (const Case &c : cases) {
        dir.Write("f", c.file);
        std::vector<std::string> options{"--size", "400", "--image", dir.Write("image.bin", memory),
                                         "--save", dir.File("saved.bin")};
        options.insert(options.end(), c.faults.begin(), c.faults.end());
        ProcessResult r;
        {
            PromsimRunner sim(options);
            r = Zmcli(sim.Path(), c.args, dir.Path());
        }
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        if (c.err.rfind("...", 0) == 0) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 22 + std::count(c.err.begin(), c.err.end(), '\n') - 2)
                << c.name;
            EXPECT_EQ(r.err.substr(r.err.find("...")), c.err) << c.name;
        } else {
            EXPECT_EQ(r.err, c.err) << c.name;
        }
        if (!c.memoryAfter.empty()) {
            EXPECT_TRUE(ReadFile(dir.File("saved.bin")).substr(0, 0x30) == c.memoryAfter) << c.name;
        }
    }
}

// A 68000 board's S2 file: one lane downloaded and verified, data past FFFF refused by the
// download and compared by verify.
TEST(ZmcliVerify, LanesAndAddressesPastFFFF)
{
    TempDir dir;
    const std::string memory = Image(0x10100);
    const std::string code = Image(0x140).substr(0x100);  // 64 bytes, not those of the memory
    dir.Write("code.bin", code);
    ASSERT_EQ(RunProcess({"/usr/bin/srec_cat", dir.File("code.bin"), "-binary", "-o", dir.File("fw.s28"),
                          "-address-length=3"}).status, 0);
    ASSERT_EQ(RunProcess({"/usr/bin/srec_cat", dir.File("code.bin"), "-binary", "-offset", "0x10000", "-o",
                          dir.File("high.s28"), "-address-length=3"}).status, 0);
    std::string odd, even;
    for (size_t i = 0; i < code.size(); ++i)
        (i % 2 ? odd : even) += code[i];
    std::string changed = memory.substr(0x10000, 0x20);
    changed[5] = static_cast<char>(changed[5] ^ 0x5A);
    dir.Write("high.bin", memory.substr(0x10000, 0x20));
    EXPECT_EQ(RunProcess({"/usr/bin/srec_cat", dir.File("high.bin"), "-binary", "-offset", "0x10000", "-o",
                          dir.File("memory.s28"), "-address-length=3"}).status, 0);
    dir.Write("changed.bin", changed);
    dir.Write("noise.hex", std::string("\x8F\x00\xFF:10", 6));
    char differ[64];
    std::snprintf(differ, sizeof differ, "10005: file %02X, programmer %02X\n", static_cast<uint8_t>(changed[5]),
                  static_cast<uint8_t>(memory[0x10005]));
    struct Case {
        const char *name;
        std::vector<std::string> args;
        int status;
        std::string err;
        std::string memoryAfter;  // the first 0x20 bytes, when not empty
    } cases[] = {
        {"odd lane", {"download", "fw.s28", "--lane", "1/2", "--verify"}, 0,
         "Transfer OK: 32 bytes in 2 records\nverify: 32 bytes equal\ndownload: " + SumsOf(dir.Write("odd.bin", odd)) + "\n",
         odd},
        {"even lane", {"download", "fw.s28", "--lane=0/2", "--verify"}, 0,
         "Transfer OK: 32 bytes in 2 records\nverify: 32 bytes equal\ndownload: " + SumsOf(dir.Write("even.bin", even)) +
             "\n", even},
        {"past FFFF, nothing sent", {"download", "high.s28"}, 1,
         "\"high.s28\" has data at 10000, past FFFF: download sends 16-bit addresses (verify reads any)\n",
         memory.substr(0, 0x20)},
        {"verify above FFFF", {"verify", "high.bin", "--start", "10000"}, 0,
         "verify: 32 bytes equal\nverify: " + SumsOf(dir.File("high.bin")) + "\n", ""},
        {"verify an S2 file", {"verify", "memory.s28"}, 0, "verify: 32 bytes equal\nverify: " + SumsOf(dir.File("high.bin")) + "\n", ""},
        {"verify above FFFF differs", {"verify", "changed.bin", "--start", "10000"}, 1,
         std::string(differ) + Group(changed.substr(5, 1), memory.substr(0x10005, 1)) + "verify: 1 of 32 bytes differ\n", ""},
        {"binary noise named .hex, nothing sent", {"download", "noise.hex"}, 1,
         "noise.hex:1: not an Intel hex record: it does not begin with ':'\n", memory.substr(0, 0x20)},
        {"a folder, nothing sent", {"download", "."}, 3, "Couldn't read \".\"\n", memory.substr(0, 0x20)},
        {"lane out of range", {"verify", "fw.s28", "--lane", "2/2"}, 2, "", ""},
    };
    for (const Case &c : cases) {
        ProcessResult r;
        {
            PromsimRunner sim({"--size", "10100", "--image", dir.Write("image.bin", memory), "--save", dir.File("saved.bin")});
            r = Zmcli(sim.Path(), c.args, dir.Path());
        }
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        if (c.status != 2) {
            EXPECT_EQ(r.err, c.err) << c.name;
        }
        if (!c.memoryAfter.empty()) {
            EXPECT_TRUE(ReadFile(dir.File("saved.bin")).substr(0, 0x20) == c.memoryAfter) << c.name;
        }
    }
}
