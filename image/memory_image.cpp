#include "image/memory_image.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

uint64_t EndOf(const MemoryImage::Runs::value_type &run) { return run.first + uint64_t(run.second.size()); }

}  // namespace

MemoryImage::Runs::iterator MemoryImage::Touching(uint32_t address)
{
    auto after = runs_.upper_bound(address);
    if (after == runs_.begin())
        return runs_.end();
    auto run = std::prev(after);
    return EndOf(*run) >= address ? run : runs_.end();
}

std::optional<uint32_t> MemoryImage::Put(uint32_t address, const char *bytes, size_t size)
{
    // Records in order go on the end of the last run: nothing lies beyond it.
    if (!runs_.empty()) {
        auto &last = *runs_.rbegin();
        if (EndOf(last) == address) {
            last.second.append(bytes, size);
            return std::nullopt;
        }
    }
    const uint64_t end = address + uint64_t(size);
    auto run = runs_.upper_bound(address);
    if (run != runs_.begin())
        --run;
    for (; run != runs_.end() && run->first < end; ++run) {
        const uint64_t from = std::max<uint64_t>(run->first, address);
        const uint64_t to = std::min(EndOf(*run), end);
        for (uint64_t a = from; a < to; ++a)
            if (run->second[a - run->first] != bytes[a - address])
                return static_cast<uint32_t>(a);
    }
    Overwrite(address, bytes, size);
    return std::nullopt;
}

void MemoryImage::Overwrite(uint32_t address, const char *bytes, size_t size)
{
    if (size == 0)
        return;
    auto run = Touching(address);
    if (run == runs_.end()) {
        run = runs_.emplace(address, std::string(bytes, size)).first;
    } else {
        const size_t at = address - run->first;
        std::string &held = run->second;
        const size_t kept = std::min(size, held.size() - at);
        std::memcpy(&held[at], bytes, kept);
        held.append(bytes + kept, size - kept);
    }
    // Runs now reached or overlapped join this one; what lies beyond its end is kept.
    uint64_t end = EndOf(*run);
    for (auto next = std::next(run); next != runs_.end() && next->first <= end; next = runs_.erase(next)) {
        if (EndOf(*next) > end)
            run->second.append(next->second, static_cast<size_t>(end - next->first), std::string::npos);
        end = EndOf(*run);
    }
}

void MemoryImage::Overwrite(uint32_t address, std::string &&bytes)
{
    if (!runs_.empty() || bytes.empty())
        Overwrite(address, bytes.data(), bytes.size());
    else
        runs_.emplace(address, std::move(bytes));
}

uint32_t MemoryImage::Lowest() const { return runs_.empty() ? 0 : runs_.begin()->first; }

uint64_t MemoryImage::End() const { return runs_.empty() ? 0 : EndOf(*runs_.rbegin()); }

uint64_t MemoryImage::ByteCount() const
{
    uint64_t count = 0;
    for (const auto &run : runs_)
        count += run.second.size();
    return count;
}

std::optional<uint8_t> MemoryImage::At(uint32_t address) const
{
    auto after = runs_.upper_bound(address);
    if (after == runs_.begin())
        return std::nullopt;
    const auto &run = *std::prev(after);
    if (EndOf(run) <= address)
        return std::nullopt;
    return static_cast<uint8_t>(run.second[address - run.first]);
}
