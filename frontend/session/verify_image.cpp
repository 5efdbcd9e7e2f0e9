#include "verify_image.h"

#include "image/hex_text.h"

namespace {

// A gap this short between records is read through: a second examine pass would cost its
// half-second clearing, far more than these bytes.
constexpr uint32_t kReadThroughGap = 64;

}  // namespace

VerifyOutcome VerifyImage(Session &session, const MemoryImage &image, bool showAll)
{
    // Runs close together become one pass; the gap's bytes are read but not compared.
    struct Pass {
        uint32_t start;
        uint64_t end;
    };
    std::vector<Pass> merged;
    for (const auto &[address, run] : image.runs()) {
        const uint64_t end = address + uint64_t(run.size());
        if (!merged.empty() && address - merged.back().end <= kReadThroughGap)
            merged.back().end = end;
        else
            merged.push_back({address, end});
    }
    VerifyOutcome outcome;
    outcome.total = image.ByteCount();
    for (const Pass &pass : merged) {
        std::string back;
        outcome.end =
            session.ReadBack(static_cast<int32_t>(pass.start), static_cast<int32_t>(pass.end - pass.start), back);
        if (outcome.end != TransferEnd::Completed)
            break;
        for (size_t i = 0; i < back.size(); ++i) {
            const uint32_t address = pass.start + static_cast<uint32_t>(i);
            const std::optional<uint8_t> held = image.At(address);
            if (!held || *held == static_cast<uint8_t>(back[i]))
                continue;
            const auto chip = static_cast<uint8_t>(back[i]);
            if ((*held & ~chip) != 0)
                ++outcome.notErased;
            else
                ++outcome.notProgrammed;
            if (++outcome.differ <= VerifyOutcome::kShownDifferences || showAll)
                outcome.shown.push_back(HexUpper(address, 4) + ": file " + HexUpper(*held, 2) + ", programmer " +
                                        HexUpper(static_cast<uint8_t>(back[i]), 2));
        }
    }
    return outcome;
}

std::vector<std::string> VerifyReport(const VerifyOutcome &outcome)
{
    if (outcome.differ == 0)
        return {std::to_string(outcome.total) + " bytes equal"};
    std::vector<std::string> lines = outcome.shown;
    if (outcome.differ > outcome.shown.size())
        lines.push_back("... and " + std::to_string(outcome.differ - outcome.shown.size()) + " more");
    if (outcome.notErased > 0)
        lines.push_back(std::to_string(outcome.notErased) +
                        " not erased? an EPROM cannot turn 0 into 1 by programming; erase it first");
    if (outcome.notProgrammed > 0)
        lines.push_back(std::to_string(outcome.notProgrammed) + " not programmed");
    lines.push_back(std::to_string(outcome.differ) + " of " + std::to_string(outcome.total) + " bytes differ");
    return lines;
}
