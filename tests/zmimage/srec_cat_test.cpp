// zmimage against srec_cat over random images: convert, split, merge, swap, crop, move, serial,
// fill and the sums give what srec_cat's filters give, byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "run_process.h"
#include "temp_dir.h"

using namespace zmtest;

namespace {

std::string Hex(uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

struct Sample {
    std::string file;    // the input, made by srec_cat
    std::string format;  // how srec_cat reads it
    uint64_t low = 0, end = 0;
};

class SrecCatTest : public ::testing::Test {
protected:
    ProcessResult Tool(std::vector<std::string> args) const
    {
        args.insert(args.begin(), "/usr/bin/srec_cat");
        return RunProcess(args, {}, dir_.Path());
    }

    // srec_cat's dump of what a file holds: the same text for the same bytes at the same addresses.
    std::string Dump(const std::string &file, const std::string &format, std::vector<std::string> filters = {}) const
    {
        std::vector<std::string> args{file, format};
        args.insert(args.end(), filters.begin(), filters.end());
        args.insert(args.end(), {"-o", "-", "-hex-dump"});
        const ProcessResult r = Tool(args);
        // A file of no data, which srec_cat refuses, dumps as nothing.
        EXPECT_TRUE(r.status == 0 || r.err.find("no data") != std::string::npos) << r.err;
        return r.out;
    }

    ProcessResult Zmimage(std::vector<std::string> args) const
    {
        args.insert(args.begin(), BinPath("zmimage"));
        return RunProcess(args, {}, dir_.Path());
    }

    void Made(const std::vector<std::string> &args) const
    {
        const ProcessResult r = Zmimage(args);
        ASSERT_EQ(r.status, 0) << ::testing::PrintToString(args) << ": " << r.err;
        ASSERT_EQ(r.err, "");
    }

    // Up to four runs of random bytes, some past 64 KiB or 16 MiB, as Intel hex, S-records or binary.
    Sample Random(std::mt19937 &rng, int n) const
    {
        const int kind = static_cast<int>(rng() % 3);
        const uint64_t reach[] = {0x10000, 0x40000, 0x2000000, 0x100000000};
        const uint64_t top = kind == 2 ? 0x1000 : reach[rng() % 4];
        const int runs = kind == 2 ? 1 : 1 + static_cast<int>(rng() % 4);
        std::vector<std::string> args;
        uint64_t address = kind == 2 ? 0 : rng() % (top / 2);
        Sample s;
        s.low = address;
        for (int i = 0; i < runs && address < top; ++i) {
            const size_t size = std::min<uint64_t>(1 + rng() % 3000, top - address);
            std::string bytes(size, '\0');
            for (char &c : bytes)
                c = static_cast<char>(rng());
            const std::string part = "part" + std::to_string(i) + ".bin";
            dir_.Write(part, bytes);
            args.insert(args.end(), {part, "-binary", "-offset", Hex(address)});
            s.end = address + size;
            address = s.end + 1 + rng() % 0x3000;
        }
        if (kind == 0) {
            s.file = "in" + std::to_string(n) + ".hex";
            s.format = "-intel";
            args.insert(args.end(), {"-o", s.file, "-intel", "-output_block_size", std::to_string(8 + rng() % 40)});
        } else if (kind == 1) {
            s.file = "in" + std::to_string(n) + ".srec";
            s.format = "-motorola";
            const int width = s.end <= 0x10000 ? 2 : s.end <= 0x1000000 ? 3 : 4;
            args.insert(args.end(), {"-o", s.file, "-motorola", "-address-length=" + std::to_string(width)});
        } else {
            s.file = "part0.bin";
            s.format = "-binary";
            return s;
        }
        const ProcessResult r = Tool(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return s;
    }

    TempDir dir_;
};

}  // namespace

TEST_F(SrecCatTest, RandomImagesGiveWhatSrecCatGives)
{
    std::mt19937 rng(20261209);
    for (int n = 0; n < 20; ++n) {
        const Sample s = Random(rng, n);
        SCOPED_TRACE(s.file + " " + Hex(s.low) + "-" + Hex(s.end));
        const std::string original = Dump(s.file, s.format);

        // To binary from the lowest address, gaps FF; to Intel hex and to S-records.
        Made({"convert", s.file, "out.bin"});
        ASSERT_EQ(Tool({s.file, s.format, "-fill", "0xFF", Hex(s.low), Hex(s.end), "-offset", "-" + Hex(s.low), "-o",
                        "ref.bin", "-binary"}).status, 0);
        EXPECT_TRUE(ReadFile(dir_.File("out.bin")) == ReadFile(dir_.File("ref.bin"))) << "convert to binary";
        Made({"convert", s.file, "out.hex", "--record-size", std::to_string(1 + rng() % 255)});
        EXPECT_EQ(Dump("out.hex", "-intel"), original) << "convert to Intel hex";
        Made({"convert", s.file, "out.s37", "--record-size", std::to_string(1 + rng() % 250)});
        EXPECT_EQ(Dump("out.s37", "-motorola"), original) << "convert to S-records";

        // Lanes of bytes and of words, and woven back from srec_cat's lanes.
        const unsigned lanes = rng() % 2 ? 4 : 2, width = 1 + rng() % 2;
        std::vector<std::string> split{"split", s.file}, merge{"merge"};
        for (unsigned l = 0; l < lanes; ++l) {
            split.push_back("lane" + std::to_string(l) + ".hex");
            merge.push_back("ref" + std::to_string(l) + ".hex");
            ASSERT_EQ(Tool({s.file, s.format, "-split", std::to_string(lanes * width), std::to_string(l * width),
                            std::to_string(width), "-o", merge.back(), "-intel"}).status, 0);
        }
        split.insert(split.end(), {"--width", std::to_string(width)});
        Made(split);
        for (unsigned l = 0; l < lanes; ++l)
            EXPECT_EQ(Dump(split[2 + l], "-intel"), Dump(merge[1 + l], "-intel")) << "split, lane " << l;
        merge.insert(merge.end(), {"merged.s19", "--width", std::to_string(width)});
        Made(merge);
        EXPECT_EQ(Dump("merged.s19", "-motorola"), original) << "merge";

        const unsigned word = rng() % 2 ? 4 : 2;
        Made({"swap", s.file, "swapped.hex", "--width", std::to_string(word)});
        EXPECT_EQ(Dump("swapped.hex", "-intel"), Dump(s.file, s.format, {"-byte-swap", std::to_string(word)})) << "swap";

        const uint64_t from = s.low + rng() % (s.end - s.low), to = from + 1 + rng() % (s.end - from);
        Made({"crop", s.file, "cropped.hex", "--from", Hex(from).substr(2), "--to", Hex(to)});
        EXPECT_EQ(Dump("cropped.hex", "-intel"), Dump(s.file, s.format, {"-crop", Hex(from), Hex(to)})) << "crop";
        const int64_t by = rng() % 2 ? int64_t(rng() % 0x10000) : -int64_t(rng() % (s.low + 1));
        Made({"move", s.file, "moved.hex", "--by=" + std::string(by < 0 ? "-" : "") + Hex(by < 0 ? -by : by)});
        EXPECT_EQ(Dump("moved.hex", "-intel"), Dump(s.file, s.format, {"-offset", (by < 0 ? "-" : "") + Hex(by < 0 ? -by : by)}))
            << "move";

        // A serial number in binary either way round (srec_cat's constants take 1 to 4 bytes),
        // where the image has data or not.
        const uint64_t serialAt = s.low + rng() % (s.end - s.low + 4);
        const unsigned serialBytes = 1 + rng() % 4;
        const uint64_t value = rng() % (uint64_t(1) << (8 * serialBytes - 1));
        const bool little = rng() % 2;
        Made({"serial", s.file, "serial.hex", "--at", Hex(serialAt), "--value", std::to_string(value), "--serial-bytes",
              std::to_string(serialBytes), "--serial-format", little ? "le" : "be"});
        EXPECT_EQ(Dump("serial.hex", "-intel"),
                  Dump(s.file, s.format, {"-exclude", Hex(serialAt), Hex(serialAt + serialBytes), "-generate", Hex(serialAt),
                                          Hex(serialAt + serialBytes), little ? "-constant-l-e" : "-constant-b-e",
                                          std::to_string(value), std::to_string(serialBytes)}))
            << "serial";

        // The chip's size: filled with FF, and summed as a programmer sums it.
        const ProcessResult info = Zmimage({"info", s.file});
        uint64_t size = 1;
        while (size < s.end)
            size *= 2;
        if (size <= 0x100000) {
            Made({"fill", s.file, "filled.bin", "--size", Hex(size)});
            ASSERT_EQ(Tool({s.file, s.format, "-fill", "0xFF", "0", Hex(size), "-o", "ref.bin", "-binary"}).status, 0);
            EXPECT_TRUE(ReadFile(dir_.File("filled.bin")) == ReadFile(dir_.File("ref.bin"))) << "fill";
        }
        // srec_cat puts a sum into the image: taken where no data lies, then read from its dump.
        const uint64_t at = s.end <= 0xFFFFFF00 ? 0xFFFFFF00 : 0;
        const auto sum = [&](const std::string &filter, int bytes) {
            std::vector<std::string> filters{filter, Hex(at)};
            if (filter[1] == 'c' && filter[2] == 'h')
                filters.insert(filters.end(), {std::to_string(bytes), "1"});
            filters.insert(filters.end(), {"-crop", Hex(at), Hex(at + bytes)});
            const std::string dump = Dump(s.file, s.format, filters);
            std::string text;
            for (int i = bytes; i-- > 0;)
                text += dump.substr(dump.find(':') + 2 + 3 * i, 2);
            return text;
        };
        if (at != 0) {
            EXPECT_NE(info.out.find("\nsum16 " + sum("-checksum-positive-l-e", 2) + "\n"), std::string::npos) << info.out;
            EXPECT_NE(info.out.find("\ncrc32 " + sum("-crc32-l-e", 4) + "\n"), std::string::npos) << info.out;
        }
    }
}
