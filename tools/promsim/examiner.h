// The "X" command: shows memory byte by byte, steps on a space, takes new values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace promsim {

class Examiner {
public:
    explicit Examiner(std::vector<uint8_t> &memory) : memory_(memory) {}

    void Start();
    // Handles one byte, appending the answer to `out`; false once back at the prompt.
    bool Feed(uint8_t byte, std::string &out);

private:
    void Show(std::string &out) const;
    bool Step(std::string &out);

    std::vector<uint8_t> &memory_;
    bool haveAddress_ = false;
    std::string digits_;
    uint32_t address_ = 0;
    int pendingDigit_ = -1;
};

} // namespace promsim
