// The simulated programmer: its memory, its chip and the command dialogue.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chip.h"
#include "examiner.h"
#include "records.h"
#include "transfer_receiver.h"
#include "uploader.h"

namespace promsim {

class Device {
public:
    using Clock = std::chrono::steady_clock;

    struct Timing {
        Clock::duration uploadDelay{};
        // How long a "P" keeps the line quiet before its answer.
        Clock::duration programTime{};
    };

    Device(std::vector<uint8_t> memory, Timing timing, ChipOptions chips = {});

    // A peer opened the line: whatever was under way is dropped and the prompt shown.
    void PowerOn();
    void Receive(uint8_t byte, Clock::time_point now);
    // Lets a running upload add output while less than a little is waiting to go out,
    // and gives a program's answer when its time is up.
    void Pump(size_t pendingOutput, Clock::time_point now);
    // When Pump has work that waits for the clock.
    std::optional<Clock::time_point> NextEvent(Clock::time_point now) const;

    std::string TakeOutput();
    // True once when what waits to go out is to be dropped (a stopped upload).
    bool TakeFlushRequest();
    // True once after each transfer that changed memory successfully.
    bool TakeTransferDone() { return std::exchange(transferDone_, false); }
    // True once after each "P", as soon as the chip is programmed (before its answer).
    bool TakeChipProgrammed() { return std::exchange(chipProgrammed_, false); }

    const std::vector<uint8_t> &Memory() const { return memory_; }
    const Chip &Socket() const { return chip_; }

private:
    enum class Mode { Prompt, SkipLine, Examine, Transfer, UploadOffset, Upload, Programming };

    void Command(uint8_t byte, Clock::time_point now);
    void Prompt();
    void Program(Clock::time_point now);
    void ReplayTypeAhead(Clock::time_point now);

    std::vector<uint8_t> memory_;
    Chip chip_;
    Timing timing_;
    Format format_ = Format::Intel;
    Mode mode_ = Mode::Prompt;
    bool lastWasCr_ = false;
    std::string out_;
    Examiner examiner_{memory_};
    TransferReceiver receiver_;
    Uploader uploader_;
    Clock::time_point uploadStart_{};
    Clock::time_point programDone_{};
    std::string programAnswer_;
    std::string typeAhead_;
    bool transferDone_ = false;
    bool chipProgrammed_ = false;
    bool flushOutput_ = false;
};

} // namespace promsim
