// The converters against independent peers: objcopy reads morvel's records back, and
// dabrix's images of random record sets match what srec_cat and objcopy build from them.

#include "converter_fixture.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace zmtest {
namespace {

using DifferentialTest = ConverterTest;

std::string randomBytes(std::mt19937 &rng, size_t n)
{
    std::string s(n, '\0');
    for (char &c : s)
        c = char(rng() & 0xFF);
    return s;
}

std::string hexByte(unsigned b)
{
    char t[3];
    std::snprintf(t, sizeof t, "%02X", b & 0xFF);
    return t;
}

// One record as a peer expects it, checksum included.
std::string record(bool intel, unsigned address, const std::string &data)
{
    std::vector<unsigned> fields;
    if (intel)
        fields = {unsigned(data.size()), address >> 8, address & 0xFF, 0};
    else
        fields = {unsigned(data.size()) + 3, address >> 8, address & 0xFF};
    for (char c : data)
        fields.push_back(static_cast<unsigned char>(c));
    unsigned sum = 0;
    std::string text = intel ? ":" : "S1";
    for (unsigned f : fields) {
        text += hexByte(f);
        sum += f;
    }
    return text + hexByte(intel ? 0x100 - (sum & 0xFF) : ~sum);
}

struct Chunk {
    unsigned address;
    std::string data;
};

// Non-overlapping chunks within 64 KiB, in random order.
std::vector<Chunk> randomChunks(std::mt19937 &rng)
{
    std::vector<Chunk> chunks;
    unsigned cursor = rng() % 0x8000;
    unsigned span = 1 + rng() % 0x4000;
    while (chunks.size() < 200) {
        cursor += rng() % 3 == 0 ? rng() % 300 : 0;
        unsigned len = rng() % 4 == 0 ? 1 + rng() % 95 : 1 + rng() % 32;
        if (cursor + len > 0x10000 || (cursor > span && chunks.size() > 0 && rng() % 8 == 0))
            break;
        chunks.push_back({cursor, randomBytes(rng, len)});
        cursor += len;
    }
    std::shuffle(chunks.begin(), chunks.end(), rng);
    return chunks;
}

TEST_F(DifferentialTest, ObjcopyReadsMorvelsRecordsBackToTheInput)
{
    std::mt19937 rng(7);
    struct Case {
        size_t size;
        unsigned start;
    };
    for (Case c : {Case{1, 0}, {15, 0}, {16, 0}, {17, 0}, {255, 0x40}, {4101, 0x1234}, {65535, 0}, {65536, 0},
                   {1000, 0xFC18}}) {
        SCOPED_TRACE(c.size);
        std::string input = randomBytes(rng, c.size);
        write("in.bin", input);
        char start[16];
        std::snprintf(start, sizeof start, "-o%X", c.start);
        ASSERT_EQ(run("morvel", {"in.bin", "out.hex", "-1", start}).status, 0);
        ProcessResult peer = runTool({"objcopy", "-I", "ihex", "-O", "binary", "out.hex", "back.bin"});
        ASSERT_EQ(peer.status, 0) << peer.err;
        EXPECT_EQ(read("back.bin"), input);
    }
}

TEST_F(DifferentialTest, DabrixBuildsTheImageThatPeersBuild)
{
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        bool intel = seed % 2 == 0;
        const char *lineEnd = seed % 3 == 0 ? "\r\n" : "\n";
        std::vector<Chunk> chunks = randomChunks(rng);
        unsigned low = 0x10000, high = 0;
        std::string text = intel ? "" : std::string("S0030000FC") + lineEnd;
        for (const Chunk &c : chunks) {
            text += record(intel, c.address, c.data) + lineEnd;
            low = std::min(low, c.address);
            high = std::max(high, unsigned(c.address + c.data.size()));
        }
        text += std::string(intel ? ":00000001FF" : "S9030000FC") + lineEnd;
        write("in.hex", text);

        unsigned bias = seed % 4 == 1 ? low + rng() % (high - low) : 0;
        char biasArg[16];
        std::snprintf(biasArg, sizeof biasArg, "-o%x", bias);
        ProcessResult r = run("dabrix", {"in.hex", "out.bin", biasArg});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        std::string image = read("out.bin");
        ASSERT_EQ(image.size(), high - bias);

        ProcessResult peer = runTool({"srec_cat", "-disable-sequence-warnings", "in.hex", intel ? "-intel" : "-motorola",
                                      "-crop", std::to_string(bias), "0x10000", "-offset", "-" + std::to_string(bias),
                                      "-fill", "0xFF", "0", std::to_string(high - bias), "-o", "srec.bin", "-binary"});
        ASSERT_EQ(peer.status, 0) << peer.err;
        EXPECT_TRUE(read("srec.bin") == image) << "srec_cat's image differs";

        if (intel && bias == 0) {
            peer = runTool({"objcopy", "-I", "ihex", "-O", "binary", "--gap-fill", "0xFF", "in.hex", "objcopy.bin"});
            ASSERT_EQ(peer.status, 0) << peer.err;
            EXPECT_TRUE(read("objcopy.bin") == image.substr(low)) << "objcopy's image differs";
        }
    }
}

} // namespace
} // namespace zmtest
