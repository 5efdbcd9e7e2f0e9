// "upload bin": reads a range of the programmer's memory through its examine command, one
// "=" and two hex digits a byte, and writes the bytes unchanged into a binary file.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>

#include "format.h"
#include "linewait.h"
#include "numbers.h"
#include "session.h"

namespace {

// How long the digits after "=" may take; the neighbouring waits allow the same.
constexpr int32_t kHexByteLimitMs = 1000;
// No sleep through an answer on a line too quick to be worth it (timer slack alone is 50 us).
constexpr auto kShortestAnswerSleep = std::chrono::microseconds(500);
// The longest the examine pass sleeps through an answer on the line alone: the window's
// events wait meanwhile.
constexpr auto kLongestAnswerSleep = std::chrono::milliseconds(8);

void ArmUnlessUnlimited(Deadline &deadline, int32_t limitMs)
{
    if (limitMs >= 0)
        deadline.Arm(limitMs);
}

bool ExpiredWithin(const Deadline &deadline, int32_t limitMs)
{
    return limitMs >= 0 && deadline.Expired();
}

// How long a wait may sleep: what is left of the limit, or a while when there is none.
int32_t LeftOf(const Deadline &deadline, int32_t limitMs)
{
    return limitMs >= 0 ? deadline.RemainingMs() : kLongestWaitMs;
}

// Each byte's answer (CR LF, the address, "=", two digits) takes about as long as the ones
// before on a steady line: the pass sleeps through seven eighths of the shortest of the last
// three at once rather than waking for each character. One slow answer (the machine busy
// elsewhere) so makes no sleep that a quick line would overrun.
class AnswerPace {
public:
    using Clock = std::chrono::steady_clock;
    void Asked() { asked_ = Clock::now(); }
    void Answered()
    {
        std::rotate(last_.begin(), last_.begin() + 1, last_.end());
        last_.back() = Clock::now() - asked_;
    }
    void SleepThroughMost() const
    {
        const auto shortest = *std::min_element(last_.begin(), last_.end());
        const auto most = std::min<Clock::duration>(shortest * 7 / 8, kLongestAnswerSleep);
        if (most >= kShortestAnswerSleep)
            linewait::SleepUntil(asked_ + most);
    }

private:
    Clock::time_point asked_ = Clock::now();
    std::array<Clock::duration, 3> last_{};
};

} // namespace

bool Session::WaitForText(const std::string &text, int32_t limitMs)
{
    Deadline deadline;
    ArmUnlessUnlimited(deadline, limitMs);
    // What arrives meanwhile is not shown: the status line holds the transfer's counts.
    size_t position = 0;
    for (;;) {
        if (ExpiredWithin(deadline, limitMs))
            return false;
        if (position >= text.size())
            return true;
        const int32_t waiting = ReceiveQueue();
        if (waiting < 0)
            return false;  // the device is gone: a receive error
        if (waiting == 0)
            PauseForLine(LeftOf(deadline, limitMs));
        for (int32_t i = 0; i < waiting; ++i) {
            const int32_t value = bytes_.ReceiveByte();
            if (value < 0)
                return false;
            if (static_cast<char>(value) == text[position]) {
                ++position;
                break;
            }
        }
    }
}

int32_t Session::ReadHexByte(int32_t limitMs)
{
    Deadline deadline;
    ArmUnlessUnlimited(deadline, limitMs);
    std::string collected;
    while (!ExpiredWithin(deadline, limitMs)) {
        // Two digits that are not both hex are no byte: read as far as they go, "=3Z" would
        // put 03 into the file, and garbage on the line would pass for memory.
        if (collected.size() >= 2)
            return HexDigitValue(collected[0]) >= 0 && HexDigitValue(collected[1]) >= 0 ? ParseHex(collected) : -1;
        const int32_t waiting = ReceiveQueue();
        if (waiting < 0)
            return -1;
        if (waiting == 0) {
            PauseForLine(LeftOf(deadline, limitMs));
        } else {
            const int32_t value = bytes_.ReceiveByte();
            if (value < 0)
                return -1;
            collected += static_cast<char>(value);
        }
    }
    return -1;
}

// One examine pass: X, the address, CR, then "=XX" and a space per byte, CR after the last.
// `take` gets each byte with its count and returns false when it cannot keep it (it says why).
TransferEnd Session::ExaminePass(int32_t start, int32_t count,
                                 const std::function<bool(uint8_t, int32_t)> &take)
{
    int32_t counter = 0;
    TransferEnd end = TransferEnd::Failed;
    host_.WaitPumping(200);
    ClearReceiveQueue();
    SendString("X");
    if (!WaitForText(" ", 1000)) {
        host_.ShowError("missing space");
        return end;
    }
    SendString(HexPadded(start, 4) + "\r");
    AnswerPace pace;
    for (;;) {
        pace.SleepThroughMost();
        if (!WaitForText("=", 1000)) {
            host_.ShowError("missing \"=\"; sorry");
            break;
        }
        const int32_t value = ReadHexByte(kHexByteLimitMs);
        if (value < 0) {
            host_.ShowError("bad hex byte");
            break;
        }
        pace.Answered();
        ++counter;
        if (!take(static_cast<uint8_t>(value), counter))
            break;
        if (counter >= count) {
            host_.ShowProgress(counter, count);
            SendString("\r");
            end = TransferEnd::Completed;
            break;
        }
        bytes_.SendByte(32);
        pace.Asked();
        if (counter % 8 == 0) {
            host_.ShowStatus(FormatGuarded("$%x bytes", {counter}));
            host_.ShowProgress(counter, count);
            host_.ProcessMessages();
            if (stopRequested_) {
                end = TransferEnd::Stopped;
                break;
            }
        }
    }
    return end;
}

TransferEnd Session::UploadBin(const std::string &path)
{
    // Opened in place, never deleted first: a link is written through and stays a link, a
    // device or FIFO is written to, a regular file is replaced by truncating it.
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        host_.ShowError(FormatGuarded("Couldn't create \"%s\"", {path}));
        return TransferEnd::FileNotOpened;
    }
    BeginTransfer();
    BeginStoppable();
    bool writeFailed = false;
    // Buffered, and flushed at every status count: a failure still keeps what came before it.
    const auto put = [&](uint8_t value, int32_t counter) {
        writeFailed = std::fputc(value, file) == EOF ||
                      ((counter % 8 == 0 || counter >= settings_.uploadbinbytes) && std::fflush(file) != 0);
        if (writeFailed)
            host_.ShowError(FormatGuarded("Couldn't write \"%s\"", {path}));
        return !writeFailed;
    };
    TransferEnd end = ExaminePass(settings_.uploadbinstart, settings_.uploadbinbytes, put);
    if (std::fclose(file) != 0 && !writeFailed) {
        host_.ShowError(FormatGuarded("Couldn't write \"%s\"", {path}));
        end = TransferEnd::Failed;
    }
    if (writeFailed)
        end = TransferEnd::Failed;
    ClearInputSlowly(500);
    SendChar(13);
    EndTransfer();
    return end;
}

TransferEnd Session::ReadBack(int32_t start, int32_t count, std::string &bytes)
{
    bytes.clear();
    BeginTransfer();
    BeginStoppable();
    const TransferEnd end = ExaminePass(start, count, [&bytes](uint8_t value, int32_t) {
        bytes += static_cast<char>(value);
        return true;
    });
    // The answer to the last CR is let arrive first, so that the clearing takes it in its
    // first round, as it does after upload bin has closed its file.
    Deadline answer;
    answer.Arm(kHexByteLimitMs / 20);
    while (end == TransferEnd::Completed && ReceiveQueue() == 0 && !answer.Expired())
        PauseForLine(answer.RemainingMs());
    ClearInputSlowly(500);
    SendChar(13);
    EndTransfer();
    return end;
}
