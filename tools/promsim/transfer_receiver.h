// The "T" command: takes record lines into a copy of memory until the end record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records.h"

namespace promsim {

class TransferReceiver {
public:
    // Starts on a copy of `memory`: a failed transfer leaves memory as it was.
    void Start(Format format, const std::vector<uint8_t> &memory);
    // Handles one byte; false once the transfer has ended (see Report).
    bool Feed(uint8_t byte);

    bool Succeeded() const { return ended_ && error_.empty() && !aborted_; }
    std::vector<uint8_t> &Staged() { return staged_; }
    // The answer after the transfer, without line ends.
    std::string Report() const;

private:
    bool EndLine();
    void Take(const Record &record);
    void Fail(const std::string &why);

    Format format_ = Format::Intel;
    std::vector<uint8_t> staged_;
    std::string line_;
    bool overlong_ = false;
    unsigned long lineNumber_ = 0;
    uint32_t base_ = 0;
    unsigned long records_ = 0;
    unsigned long bytes_ = 0;
    std::string error_;
    bool ended_ = false;
    bool aborted_ = false;
};

} // namespace promsim
