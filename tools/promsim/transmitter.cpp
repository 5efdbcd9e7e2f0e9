#include "transmitter.h"

#include <algorithm>
#include <limits>

namespace promsim {

namespace {
constexpr uint64_t kUnlimited = std::numeric_limits<uint64_t>::max();
constexpr size_t kChunk = 4096;
} // namespace

Transmitter::Transmitter(uint64_t bytesPerSecond, const LineFaults &faults)
    : rate_(bytesPerSecond), faults_(faults)
{
    if (faults_.silent)
        faults_.stallAfter = 0;
}

uint8_t Transmitter::GarbageByte()
{
    // xorshift: fixed seed, so a garbage run can be reproduced byte for byte.
    noise_ ^= noise_ << 13;
    noise_ ^= noise_ >> 17;
    noise_ ^= noise_ << 5;
    return static_cast<uint8_t>(0x80 | (noise_ & 0x7F));
}

void Transmitter::Queue(std::string_view bytes, Clock::time_point now)
{
    if (bytes.empty())
        return;
    if (Pending() == 0) {
        queue_.clear();
        head_ = 0;
        // An idle line starts its pace afresh; a busy one keeps the schedule.
        if (rate_ == 0 || now >= paceStart_ + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(double(pacedSince_) / double(rate_)))) {
            paceStart_ = now;
            pacedSince_ = 0;
        }
    }
    size_t from = queue_.size();
    queue_.append(bytes);
    if (faults_.garbage)
        for (size_t i = from; i < queue_.size(); ++i)
            queue_[i] = static_cast<char>(GarbageByte());
}

void Transmitter::Discard()
{
    queue_.clear();
    head_ = 0;
}

uint64_t Transmitter::Allowed(Clock::time_point now) const
{
    if (rate_ == 0)
        return kUnlimited;
    double elapsed = std::chrono::duration<double>(now - paceStart_).count();
    auto due = static_cast<uint64_t>(std::max(0.0, elapsed) * double(rate_));
    return due > pacedSince_ ? due - pacedSince_ : 0;
}

std::optional<Transmitter::Clock::time_point> Transmitter::NextDue(Clock::time_point now) const
{
    if (Pending() == 0 || rate_ == 0 || Allowed(now) > 0)
        return std::nullopt;
    auto offset = std::chrono::duration<double>(double(pacedSince_ + 1) / double(rate_));
    return paceStart_ + std::chrono::duration_cast<Clock::duration>(offset) + Clock::duration(1);
}

uint64_t Transmitter::FaultLimit() const
{
    uint64_t limit = kUnlimited;
    if (faults_.stallAfter)
        limit = std::min(limit, *faults_.stallAfter);
    if (faults_.hangupAfter)
        limit = std::min(limit, *faults_.hangupAfter);
    return limit > sent_ ? limit - sent_ : 0;
}

std::string_view Transmitter::Send(Clock::time_point now, const Writer &write)
{
    lastSent_.clear();
    while (Pending() > 0) {
        uint64_t room = std::min({uint64_t(Pending()), uint64_t(kChunk), Allowed(now), FaultLimit()});
        if (room == 0) {
            if (FaultLimit() == 0 && !HangupReached()) {
                // Stalled: what the device says from now on never reaches the line.
                stalled_ = true;
                Discard();
            }
            break;
        }
        const auto *data = reinterpret_cast<const uint8_t *>(queue_.data() + head_);
        size_t n = write(data, size_t(room));
        if (n == 0)
            break;
        lastSent_.append(queue_, head_, n);
        head_ += n;
        sent_ += n;
        pacedSince_ += n;
    }
    if (HangupReached() || head_ == queue_.size()) {
        Discard();
    } else if (head_ > (1u << 16)) {
        queue_.erase(0, head_);
        head_ = 0;
    }
    return lastSent_;
}

} // namespace promsim
