// The sending side of the line: an output queue paced like a real line, with the
// faults that tests ask for (silence, stall, hang-up, garbage).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace promsim {

struct LineFaults {
    bool silent = false;
    bool garbage = false;
    std::optional<uint64_t> hangupAfter;   // bytes sent before the line is closed
    std::optional<uint64_t> stallAfter;    // bytes sent before nothing more goes out
};

class Transmitter {
public:
    using Clock = std::chrono::steady_clock;
    // Takes up to n bytes; returns how many it took (0 when the line is full).
    using Writer = std::function<size_t(const uint8_t *data, size_t n)>;

    Transmitter(uint64_t bytesPerSecond, const LineFaults &faults);

    void Queue(std::string_view bytes, Clock::time_point now);
    void Discard();
    size_t Pending() const { return queue_.size() - head_; }

    // Writes what the pace allows; returns the bytes that went out.
    std::string_view Send(Clock::time_point now, const Writer &write);

    // True when the queue holds bytes that the pace lets out now.
    bool ReadyAt(Clock::time_point now) const { return Pending() > 0 && Allowed(now) > 0; }
    // When the next queued byte is due, if one waits for the pace.
    std::optional<Clock::time_point> NextDue(Clock::time_point now) const;

    bool HangupReached() const { return faults_.hangupAfter && sent_ >= *faults_.hangupAfter; }
    bool Stalled() const { return stalled_; }
    uint64_t SentTotal() const { return sent_; }

private:
    uint64_t Allowed(Clock::time_point now) const;
    uint64_t FaultLimit() const;
    uint8_t GarbageByte();

    uint64_t rate_;
    LineFaults faults_;
    std::string queue_;
    size_t head_ = 0;
    std::string lastSent_;
    uint64_t sent_ = 0;
    bool stalled_ = false;
    // Pace: byte k after `paceStart_` is due when its transmission ends, at (k + 1) / rate.
    Clock::time_point paceStart_{};
    uint64_t pacedSince_ = 0;
    uint32_t noise_ = 0x2545F491u;
};

} // namespace promsim
