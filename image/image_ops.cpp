#include "image/image_ops.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "image/image_write.h"
#include "image/hex_text.h"

namespace {

constexpr uint64_t kAddressSpace = uint64_t(1) << 32;

std::string Hex8(uint64_t value) { return HexUpper(value, 8); }

// Bytes handed over one by one, kept as runs: consecutive addresses go on without a lookup.
class RunCollector {
public:
    explicit RunCollector(MemoryImage &image) : image_(image) {}
    ~RunCollector() { Flush(); }
    void Add(uint64_t address, char byte)
    {
        if (address != start_ + pending_.size()) {
            Flush();
            start_ = address;
        }
        pending_ += byte;
    }
    void Flush()
    {
        image_.Overwrite(static_cast<uint32_t>(start_), pending_.data(), pending_.size());
        pending_.clear();
    }

private:
    MemoryImage &image_;
    uint64_t start_ = 0;
    std::string pending_;
};

struct Crc32Table {
    std::array<uint32_t, 256> entry{};
    Crc32Table()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[i] = c;
        }
    }
};

class Summer {
public:
    void Add(const char *bytes, size_t n)
    {
        static const Crc32Table table;
        for (size_t i = 0; i < n; ++i) {
            const auto value = static_cast<uint8_t>(bytes[i]);
            sum_ += value;
            crc_ = table.entry[(crc_ ^ value) & 0xFF] ^ (crc_ >> 8);
        }
    }
    void AddFill(uint64_t n)
    {
        const std::string block(4096, '\xFF');
        for (; n > 0; n -= std::min<uint64_t>(n, block.size()))
            Add(block.data(), static_cast<size_t>(std::min<uint64_t>(n, block.size())));
    }
    ImageSums Sums() const { return {static_cast<uint8_t>(sum_), static_cast<uint16_t>(sum_), ~crc_}; }

private:
    uint64_t sum_ = 0;
    uint32_t crc_ = 0xFFFFFFFFu;
};

}  // namespace

MemoryImage Lane(const MemoryImage &image, unsigned lane, unsigned lanes, unsigned width)
{
    MemoryImage out;
    {
        RunCollector collect(out);
        for (const auto &[first, run] : image.runs()) {
            for (size_t i = 0; i < run.size(); ++i) {
                const uint64_t address = first + uint64_t(i);
                const uint64_t unit = address / width;
                if (unit % lanes == lane)
                    collect.Add(unit / lanes * width + address % width, run[i]);
            }
        }
    }
    return out;
}

std::vector<MemoryImage> SplitLanes(const MemoryImage &image, unsigned lanes, unsigned width)
{
    std::vector<MemoryImage> out(lanes);
    for (unsigned lane = 0; lane < lanes; ++lane)
        out[lane] = Lane(image, lane, lanes, width);
    return out;
}

bool MergeLanes(const std::vector<MemoryImage> &lanes, unsigned width, MemoryImage &merged, std::string &error)
{
    merged = MemoryImage();
    const uint64_t count = lanes.size();
    for (size_t lane = 0; lane < lanes.size(); ++lane) {
        const uint64_t end = lanes[lane].End();
        // The last byte's place in the merged image.
        if (end > 0 && ((end - 1) / width * count + lane) * width + (end - 1) % width >= kAddressSpace) {
            error = "lane " + std::to_string(lane) + " reaches " + Hex8(end - 1) +
                    ": merged, it would pass address FFFFFFFF";
            return false;
        }
    }
    RunCollector collect(merged);
    for (size_t lane = 0; lane < lanes.size(); ++lane)
        for (const auto &[first, run] : lanes[lane].runs())
            for (size_t i = 0; i < run.size(); ++i) {
                const uint64_t address = first + uint64_t(i);
                collect.Add((address / width * count + lane) * width + address % width, run[i]);
            }
    return true;
}

MemoryImage SwapBytes(const MemoryImage &image, unsigned width)
{
    MemoryImage out;
    for (const auto &[first, run] : image.runs()) {
        const uint64_t end = first + uint64_t(run.size());
        // Whole words in the middle of a run turn as one block; the partial ones byte by byte.
        const uint64_t whole = (uint64_t(first) + width - 1) / width * width;
        const uint64_t wholeEnd = std::max(whole, end / width * width);
        std::string turned = run.substr(static_cast<size_t>(std::min(whole, end) - first),
                                        static_cast<size_t>(wholeEnd - std::min(whole, end)));
        for (size_t w = 0; w + width <= turned.size(); w += width)
            std::reverse(turned.begin() + static_cast<long>(w), turned.begin() + static_cast<long>(w + width));
        out.Overwrite(static_cast<uint32_t>(std::min(whole, end)), turned.data(), turned.size());
        for (uint64_t address = first; address < end; ++address) {
            if (address >= whole && address < wholeEnd)
                continue;
            const uint64_t word = address / width * width;
            out.Overwrite(static_cast<uint32_t>(word + (width - 1 - (address - word))), &run[address - first], 1);
        }
    }
    out.start = image.start;
    return out;
}

bool FillTo(MemoryImage &image, uint64_t size, uint8_t fill, std::string &error)
{
    if (image.End() > size) {
        error = "the image reaches " + Hex8(image.End() - 1) + ", past the chip's last address " + Hex8(size - 1);
        return false;
    }
    const MemoryImage held = image;
    const std::string all = BinarySpan(held, 0, size, fill);
    image.Overwrite(0, all.data(), all.size());
    return true;
}

MemoryImage Crop(const MemoryImage &image, uint32_t from, uint64_t to)
{
    MemoryImage out;
    for (const auto &[first, run] : image.runs()) {
        const uint64_t a = std::max<uint64_t>(first, from);
        const uint64_t b = std::min<uint64_t>(first + uint64_t(run.size()), to);
        if (a < b)
            out.Overwrite(static_cast<uint32_t>(a), run.data() + (a - first), static_cast<size_t>(b - a));
    }
    if (image.start && *image.start >= from && *image.start < to)
        out.start = image.start;
    return out;
}

bool Move(MemoryImage &image, int64_t by, std::string &error)
{
    if (image.Empty())
        return true;
    if (int64_t(image.Lowest()) + by < 0 || int64_t(image.End()) + by > int64_t(kAddressSpace)) {
        error = "moved by " + std::string(by < 0 ? "-" : "") + Hex8(by < 0 ? -by : by) + ", the image from " +
                Hex8(image.Lowest()) + " to " + Hex8(image.End() - 1) + " would leave the addresses 0 to FFFFFFFF";
        return false;
    }
    MemoryImage out;
    for (const auto &[first, run] : image.runs())
        out.Overwrite(static_cast<uint32_t>(int64_t(first) + by), run.data(), run.size());
    if (image.start && int64_t(*image.start) + by >= 0 && int64_t(*image.start) + by < int64_t(kAddressSpace))
        out.start = static_cast<uint32_t>(int64_t(*image.start) + by);
    image = std::move(out);
    return true;
}

bool SumImage(const MemoryImage &image, uint64_t size, ImageSums &sums, std::string &error)
{
    Summer summer;
    if (size == 0) {
        for (const auto &[first, run] : image.runs())
            summer.Add(run.data(), run.size());
        sums = summer.Sums();
        return true;
    }
    if (image.End() > size) {
        error = "the image reaches " + Hex8(image.End() - 1) + ", past the chip's last address " + Hex8(size - 1);
        return false;
    }
    uint64_t at = 0;
    for (const auto &[first, run] : image.runs()) {
        summer.AddFill(first - at);
        summer.Add(run.data(), run.size());
        at = first + uint64_t(run.size());
    }
    summer.AddFill(size - at);
    sums = summer.Sums();
    return true;
}
