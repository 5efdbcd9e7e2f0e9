#include "blank_check.h"

#include <algorithm>

#include "image/image_read.h"
#include "image/hex_text.h"

BlankOutcome BlankCheck(Session &session, uint32_t start, uint32_t count)
{
    BlankOutcome outcome;
    outcome.total = count;
    std::vector<std::string> lines;
    const uint64_t last = uint64_t(start) + count - 1;
    outcome.end = session.ReadHexLines(static_cast<int32_t>(std::min<uint64_t>(last, INT32_MAX)), lines);
    if (outcome.end != TransferEnd::Completed)
        return outcome;
    std::string text;
    // Only the records: what else the programmer says, or a record cut by the start of the
    // stream, leaves bytes unread, and those are counted as missing.
    for (const std::string &line : lines)
        if (line.compare(0, 1, ":") == 0)
            text += line + "\r\n";
    ImageRead read;
    if (ParseImage(std::move(text), "the programmer's records", ImageFormat::IntelHex, 0, read, outcome.error) !=
        ReadOutcome::Read)
        return outcome;
    for (const auto &[address, run] : read.image.runs()) {
        const uint64_t from = std::max<uint64_t>(address, start);
        const uint64_t to = std::min<uint64_t>(address + uint64_t(run.size()), last + 1);
        for (uint64_t at = from; at < to; ++at) {
            ++outcome.received;
            const auto value = static_cast<uint8_t>(run[at - address]);
            if (value != 0xFF && outcome.notBlank++ == 0) {
                outcome.first = static_cast<uint32_t>(at);
                outcome.firstValue = value;
            }
        }
    }
    return outcome;
}

std::string BlankReport(const BlankOutcome &outcome)
{
    if (!outcome.error.empty())
        return outcome.error;
    if (outcome.notBlank > 0)
        return "not blank: first at " + HexUpper(outcome.first, 4) + " (" + HexUpper(outcome.firstValue, 2) + "), " +
               std::to_string(outcome.notBlank) + " bytes not FF";
    if (outcome.received < outcome.total)
        return "no answer: the programmer sent " + std::to_string(outcome.received) + " of the " +
               std::to_string(outcome.total) + " bytes";
    return "blank: " + std::to_string(outcome.total) + " bytes FF";
}
