#include "chip_run.h"

#include <algorithm>
#include <mutex>

#include "download_lines.h"
#include "image/hex_text.h"
#include "image/image_ops.h"
#include "image/number_text.h"
#include "numbers.h"
#include "text.h"
#include "transfer_sums.h"

namespace {

// What the programmer still says before a step is let pass until the line is quiet this long,
// so that an old prompt is not taken for the step's.
constexpr int32_t kSettleMs = 100;
constexpr int32_t kSettleLimitMs = 2000;
// The examine steps answer at once; "P" and "V" get the run's answer time.
constexpr int32_t kExamineQuietMs = 2000;
// What the download sends: addresses of 16 bits.
constexpr uint64_t kDownloadEnd = 0x10000;

ChipResult ResultOf(AnswerEnd end)
{
    switch (end) {
    case AnswerEnd::Prompt:
        return ChipResult::Pass;
    case AnswerEnd::Quiet:
        return ChipResult::NoAnswer;
    case AnswerEnd::Stopped:
        return ChipResult::Stopped;
    case AnswerEnd::Lost:
        break;
    }
    return ChipResult::LineLost;
}

// An answer as one line: its prompt and line ends left out, its lines joined by " / ".
std::string AnswerLine(std::string answer)
{
    if (const size_t prompt = answer.rfind(kProgrammerPrompt); prompt != std::string::npos)
        answer.erase(prompt);
    std::string line;
    bool pendingBreak = false;
    for (const char c : answer) {
        if (c == '\r' || c == '\n') {
            pendingBreak = !line.empty();
            continue;
        }
        if (pendingBreak)
            line += " / ";
        pendingBreak = false;
        line += c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line.substr(std::min(line.find_first_not_of(' '), line.size()));
}

// "... failed at 01A3: ..." names the address.
std::optional<uint32_t> AddressIn(const std::string &answer)
{
    for (size_t at = answer.find(" at "); at != std::string::npos; at = answer.find(" at ", at + 1)) {
        size_t end = at + 4;
        while (end < answer.size() && end - at - 4 < 8 && HexDigitValue(answer[end]) >= 0)
            ++end;
        if (end > at + 4)
            return static_cast<uint32_t>(ReadNumberText(std::string_view(answer).substr(at + 4, end - at - 4), NumberForm::Hex())->magnitude);
    }
    return std::nullopt;
}

// The programmer's word for a failure, in any case.
bool SaysFailure(const std::string &answer)
{
    const std::string lower = LowerCase(answer);
    return lower.find("fail") != std::string::npos || lower.find("error") != std::string::npos;
}

// Why an answer that ended by the prompt is no pass; empty when it is one.
std::string AnswerFault(const std::string &answer, const std::string &needed)
{
    if (SaysFailure(answer))
        return answer;
    if (!needed.empty() && answer.find(needed) == std::string::npos)
        return "\"" + needed + "\" not in \"" + answer + "\"";
    return {};
}

std::string SpacedHex(const std::string &bytes)
{
    std::string text;
    for (const char c : bytes)
        text += (text.empty() ? "" : " ") + HexUpper(static_cast<uint8_t>(c), 2);
    return text;
}

}  // namespace

RunBook::RunBook(const RunPlan &plan) : plan_(plan), counter_(plan.serial.value_or(SerialPlan())) {}

bool RunBook::Open(std::string &error, std::string &note)
{
    if (plan_.serial) {
        error = CheckSerialPlan(*plan_.serial);
        if (!error.empty())
            return false;
    }
    RunLogSummary summary;
    if (!log_.Open(plan_.logPath, summary, error))
        return false;
    if (plan_.serial && summary.highestSerial) {
        note = counter_.ResumeAbove(*summary.highestSerial);
        if (!note.empty())
            note = plan_.logPath + ": " + note;
    }
    return true;
}

std::optional<ChipTicket> RunBook::Issue()
{
    const std::lock_guard<RunLock> hold(lock_);
    ChipTicket ticket;
    if (plan_.serial) {
        ticket.serial = counter_.Take();
        if (!ticket.serial)
            return std::nullopt;
    }
    ticket.chip = ++chips_;
    return ticket;
}

std::optional<uint64_t> RunBook::NextSerial() const
{
    const std::lock_guard<RunLock> hold(lock_);
    return plan_.serial ? counter_.Next() : std::nullopt;
}

bool RunBook::Record(const RunLogLine &line, std::string &error)
{
    const std::lock_guard<RunLock> hold(lock_);
    if (!log_.Append(line, error))
        return false;
    // A number is given once its chip's first line is on the disk.
    if (line.serial && line.result == kChipStarted) {
        lowest_ = std::min(lowest_.value_or(*line.serial), *line.serial);
        highest_ = std::max(highest_.value_or(*line.serial), *line.serial);
    }
    return true;
}

void RunBook::Done(const ChipOutcome &outcome)
{
    const std::lock_guard<RunLock> hold(lock_);
    if (outcome.result == ChipResult::Pass) {
        ++passed_;
        return;
    }
    if (outcome.result != ChipResult::Stopped)
        ++failed_;
    if (outcome.serial)
        counter_.Failed(*outcome.serial);
}

int64_t RunBook::Passed() const
{
    const std::lock_guard<RunLock> hold(lock_);
    return passed_;
}

int64_t RunBook::Failed() const
{
    const std::lock_guard<RunLock> hold(lock_);
    return failed_;
}

std::optional<uint64_t> RunBook::LowestGiven() const
{
    const std::lock_guard<RunLock> hold(lock_);
    return lowest_;
}

std::optional<uint64_t> RunBook::HighestGiven() const
{
    const std::lock_guard<RunLock> hold(lock_);
    return highest_;
}

ChipRun::ChipRun(Session &session, RunBook &book) : session_(session), book_(book) {}

std::string ChipRun::Check() const
{
    const RunPlan &plan = book_.Plan();
    if (const std::string refusal = DownloadRefusal(session_, plan.imagePath, plan.image); !refusal.empty())
        return refusal;
    if (!plan.serial)
        return {};
    bool known = false;
    const ChipPart *part = ChipInUse(session_, known);
    const uint64_t end = part ? part->bytes : kDownloadEnd;
    const uint64_t serialEnd = uint64_t(plan.serial->address) + plan.serial->width;
    if (serialEnd > end)
        return "the serial's bytes " + HexUpper(plan.serial->address, 4) + " to " + HexUpper(serialEnd - 1, 4) +
               " pass " + (part ? "the " + part->name + "'s last address " : std::string("the last address ")) +
               HexUpper(end - 1, 4) + ": nothing sent";
    return {};
}

std::string JudgeDownloadAnswer(Session &session, std::string &shown)
{
    // The prompts that answered I and T come first.
    std::string answer = session.DownloadAnswer();
    while (answer.compare(0, kProgrammerPrompt.size(), kProgrammerPrompt) == 0)
        answer.erase(0, kProgrammerPrompt.size());
    bool prompted = answer.find(kProgrammerPrompt) != std::string::npos;
    if (!prompted)
        prompted = session.ReadAnswer(kProgrammerPrompt, kExamineQuietMs, [](const std::string &) {}, &answer) ==
                   AnswerEnd::Prompt;
    answer = answer.substr(0, answer.find(kProgrammerPrompt));
    shown.clear();
    for (const char c : answer)
        if (c != '\r' && !(c == '\n' && shown.empty()))
            shown += c;
    if (session.IsLineLost())
        return "the line was lost";
    if (!prompted)
        return "no prompt from the programmer after the transfer";
    if (SaysFailure(shown))
        return "the programmer's answer: " + shown;
    return {};
}

std::string ChipRun::Download()
{
    const RunPlan &plan = book_.Plan();
    const TransferEnd end = session_.DownloadHex(DownloadLinesOf(plan.imageText, plan.imagePath, plan.image, true));
    if (end != TransferEnd::Completed)
        return session_.IsLineLost() ? "the line was lost" : end == TransferEnd::Stopped ? "stopped" : "the download failed";
    std::string shown;
    return JudgeDownloadAnswer(session_, shown);
}

ChipOutcome ChipRun::DoChip(std::optional<ChipTicket> ticket)
{
    const RunPlan &plan = book_.Plan();
    ChipOutcome outcome;
    outcome.site = session_.Settings().port;
    if (!ticket)
        ticket = book_.Issue();
    if (!ticket) {
        outcome.result = ChipResult::Stopped;
        outcome.reason = "no serial numbers left";
        return outcome;
    }
    outcome.chip = ticket->chip;
    outcome.serial = ticket->serial;

    MemoryImage image = plan.image;
    std::string serialBytes, error;
    if (plan.serial && outcome.serial &&
        SerialBytes(*outcome.serial, plan.serial->format, plan.serial->width, serialBytes, error)) {
        StampSerial(image, plan.serial->address, serialBytes);
        outcome.serialHex = SerialBytesHex(serialBytes);
    }
    bool known = false;
    const ChipPart *part = ChipInUse(session_, known);
    ImageSums sums, imageSums;
    SumImage(image, part ? part->bytes : 0, sums, error);
    SumImage(plan.image, part ? part->bytes : 0, imageSums, error);
    outcome.sum16 = sums.sum16;
    outcome.crc32 = sums.crc32;

    RunLogLine line;
    line.site = outcome.site;
    line.device = PortDevicePath(outcome.site);
    line.chip = outcome.chip;
    line.part = part ? part->name : std::string();
    line.image = plan.imagePath;
    line.imageSum16 = imageSums.sum16;
    line.imageCrc32 = imageSums.crc32;
    line.serial = outcome.serial;
    line.serialHex = outcome.serialHex;
    line.chipSum16 = sums.sum16;
    line.chipCrc32 = sums.crc32;
    line.result = kChipStarted;
    // The number is on the disk before the chip is touched: no crash can give it again.
    if (!book_.Record(line, error)) {
        outcome.result = ChipResult::Stopped;
        outcome.reason = error;
        outcome.logged = false;
        return outcome;
    }

    const auto exchange = [this](const std::string &keys, const std::string &until, int32_t quietMs,
                                 std::string &answer) {
        session_.LetLineSettle(kSettleMs, kSettleLimitMs);
        if (session_.StopRequested())
            return AnswerEnd::Stopped;
        answer.clear();
        session_.SendString(keys);
        // A Stop the sending's messages brought would be forgotten by the wait that follows.
        if (session_.StopRequested())
            return AnswerEnd::Stopped;
        if (session_.IsLineLost())
            return AnswerEnd::Lost;
        return session_.ReadAnswer(until, quietMs, showAnswer ? showAnswer : [](const std::string &) {}, &answer);
    };
    const auto finish = [&](ChipResult result, const std::string &reason) {
        outcome.result = result;
        outcome.reason = reason;
        if (result == ChipResult::Pass)
            outcome.reason.clear();
        if (session_.IsLineLost() && result != ChipResult::Pass)
            outcome.result = ChipResult::LineLost;
        line.result = ChipResultText(outcome.result);
        line.programAnswer = outcome.programAnswer;
        line.verifyAnswer = outcome.verifyAnswer;
        line.failAddress = outcome.failAddress ? HexUpper(*outcome.failAddress, 4) : std::string();
        line.time.clear();
        if (!book_.Record(line, error)) {
            outcome.logged = false;
            outcome.reason += (outcome.reason.empty() ? "" : "; ") + error;
        }
        book_.Done(outcome);
        return outcome;
    };

    std::string answer;
    if (!serialBytes.empty()) {
        const std::string address = HexPadded(static_cast<int32_t>(plan.serial->address), 4);
        // Examine at the address, two hex digits a byte (each steps on), CR back to the prompt.
        AnswerEnd end = exchange("X" + address + "\r" + SerialBytesHex(serialBytes) + "\r", kProgrammerPrompt,
                                 kExamineQuietMs, answer);
        if (end != AnswerEnd::Prompt)
            return finish(ResultOf(end), "no prompt after the serial was written");
        // Read back: the byte at the address, then a space for each further byte.
        end = exchange("X" + address + "\r" + std::string(serialBytes.size() - 1, ' ') + "\r", kProgrammerPrompt,
                       kExamineQuietMs, answer);
        if (end != AnswerEnd::Prompt)
            return finish(ResultOf(end), "no prompt after the serial was read back");
        std::string back;
        for (size_t at = answer.find('='); at != std::string::npos && at + 2 < answer.size() &&
                                           back.size() < serialBytes.size();
             at = answer.find('=', at + 1)) {
            const int high = HexDigitValue(answer[at + 1]), low = HexDigitValue(answer[at + 2]);
            if (high < 0 || low < 0)
                break;
            back += static_cast<char>(high * 16 + low);
        }
        if (back != serialBytes)
            return finish(ChipResult::Fail, "serial read back " + (back.empty() ? "nothing" : SpacedHex(back)) +
                                                ", written " + SpacedHex(serialBytes));
    }

    const int32_t answerMs = plan.answerSeconds * 1000;
    // "P", then "V": each answer up to the prompt and judged; the first that is no pass ends the chip.
    const struct {
        const char *key;
        const std::string &needed;
        std::string &shown;
    } commands[] = {{"P", plan.programOk, outcome.programAnswer}, {"V", plan.verifyOk, outcome.verifyAnswer}};
    for (const auto &command : commands) {
        const AnswerEnd end = exchange(command.key, kProgrammerPrompt, answerMs, answer);
        command.shown = AnswerLine(answer);
        if (end != AnswerEnd::Prompt)
            return finish(ResultOf(end), std::string("no prompt after ") + command.key);
        if (const std::string fault = AnswerFault(command.shown, command.needed); !fault.empty()) {
            outcome.failAddress = AddressIn(command.shown);
            return finish(ChipResult::Fail, fault);
        }
    }
    return finish(ChipResult::Pass, {});
}
