// The serial numbers of a run, handed out one by one and never twice: not in the run (a failed
// chip's number is skipped, or given once more to the very next chip), and not across runs
// on the same log (the run goes on above the log's highest number).
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "image/serial_stamp.h"

struct SerialPlan {
    uint32_t address = 0;
    unsigned width = 4;
    SerialFormat format = SerialFormat::Le;
    uint64_t first = 1;
    uint64_t step = 1;
    std::optional<uint64_t> last;  // the run ends before passing it
    bool reuse = false;            // a failed chip's number goes to the next chip
    bool restart = false;          // from `first` again, whatever the log holds
};

// The plan's own values: the width, the step, the last number against the first, the first and
// the last number fitting the width and format. Empty when good, else why not.
std::string CheckSerialPlan(const SerialPlan &plan);

// Not locked: the run's book locks around it.
class SerialCounter {
public:
    explicit SerialCounter(const SerialPlan &plan) : plan_(plan), next_(plan.first) {}
    // The log held `highest`: numbers go on above it (unless the plan restarts). Returns the
    // note to say, empty when nothing changed.
    std::string ResumeAbove(uint64_t highest);
    // The next number, given now; none when the plan's numbers are used up.
    std::optional<uint64_t> Take();
    // The chip with `number` failed: with reuse it is the next one given.
    void Failed(uint64_t number);
    // The number Take would give, without giving it.
    std::optional<uint64_t> Next() const;

private:
    bool Fits(uint64_t number) const;

    SerialPlan plan_;
    uint64_t next_;
    bool used_up_ = false;
    std::set<uint64_t> returned_;
};
