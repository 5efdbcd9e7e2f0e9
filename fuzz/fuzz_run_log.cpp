// A run's log as a run started again reads it: lines the writer made (whose serials are known
// here), then any bytes, as a crash or a hand in a spreadsheet may leave them. Whatever is
// accepted, the numbers that come next are above every serial the log holds.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "run_log.h"
#include "serial_counter.h"

namespace {

class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint64_t Number()
    {
        uint64_t n = 0;
        for (int i = 0; i < 8; ++i)
            n = n << 8 | Byte();
        return n;
    }
    std::string Text(size_t most)
    {
        const size_t n = std::min<size_t>(Byte() % (most + 1), size_ - std::min(at_, size_));
        std::string text(reinterpret_cast<const char *>(data_ + at_), n);
        at_ += n;
        return text;
    }
    std::string Rest() { return at_ < size_ ? std::string(reinterpret_cast<const char *>(data_ + at_), size_ - at_) : ""; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

const char *const kResults[] = {"started", "pass", "fail", "stopped", "line lost", "no answer"};

// The numbers a counter gives after reading `summary`: above its highest and none of `held`.
void CheckNext(const RunLogSummary &summary, const std::set<uint64_t> &held, uint64_t first, uint64_t step)
{
    SerialPlan plan;
    plan.width = 8;
    plan.first = first;
    plan.step = step;
    SerialCounter counter(plan);
    if (summary.highestSerial)
        counter.ResumeAbove(*summary.highestSerial);
    for (int i = 0; i < 3; ++i) {
        const std::optional<uint64_t> next = counter.Take();
        if (!next)
            return;
        if (held.count(*next) || (summary.highestSerial && *next <= *summary.highestSerial))
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    const uint64_t first = input.Number();
    const uint64_t step = input.Number() % 1000 + 1;
    std::string text = RunLogHeader() + "\n";
    std::set<uint64_t> held;
    for (int lines = input.Byte() % 8; lines > 0; --lines) {
        RunLogLine line;
        line.time = input.Text(30);
        line.chip = static_cast<int64_t>(input.Number());
        if (input.Byte() & 1)
            held.insert(*(line.serial = input.Number()));
        line.result = kResults[input.Byte() % 6];
        line.programAnswer = input.Text(40);
        line.verifyAnswer = input.Text(40);
        text += RunLogText(line) + "\n";
    }
    const std::string rest = input.Rest();
    RunLogSummary summary;
    std::string error;
    // What the writer wrote is always read back.
    if (!ReadRunLog(text, summary, error) || (!held.empty() && summary.highestSerial != *held.rbegin()))
        __builtin_trap();
    if (ReadRunLog(text + rest, summary, error)) {
        if (!held.empty() && (!summary.highestSerial || *summary.highestSerial < *held.rbegin()))
            __builtin_trap();
        CheckNext(summary, held, first, step);
    } else if (error.rfind("line ", 0) != 0) {
        __builtin_trap();  // a refusal names its line
    }
    // The bytes alone, as a log of their own.
    if (ReadRunLog(std::string(reinterpret_cast<const char *>(data), size), summary, error))
        CheckNext(summary, {}, first, step);
    return 0;
}
