// "upload bin": reads a range of the programmer's memory through its examine command, one
// "=" and two hex digits a byte, and writes the bytes unchanged into a binary file.
#include <cstdio>

#include "format.h"
#include "numbers.h"
#include "session.h"

namespace {

// How long the digits after "=" may take; the neighbouring waits allow the same.
constexpr int32_t kHexByteLimitMs = 1000;

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
        if (collected.size() >= 2) {
            const int32_t value = ParseHex(collected);
            return value <= 255 ? value : -1;
        }
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

TransferEnd Session::UploadBin(const std::string &path)
{
    std::remove(path.c_str());
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        host_.ShowError(FormatGuarded("Couldn't create \"%s\"", {path}));
        return TransferEnd::FileNotOpened;
    }
    // Unbuffered, so that a failing write shows at the byte it concerns and the file always
    // holds every byte received so far.
    std::setvbuf(file, nullptr, _IONBF, 0);
    BeginTransfer();
    BeginStoppable();
    int32_t counter = 0;
    TransferEnd end = TransferEnd::Failed;
    bool writeFailed = false;
    host_.WaitPumping(200);
    ClearReceiveQueue();
    SendString("X");
    if (!WaitForText(" ", 1000)) {
        host_.ShowError("missing space");
    } else {
        SendString(HexPadded(settings_.uploadbinstart, 4) + "\r");
        for (;;) {
            if (!WaitForText("=", 1000)) {
                host_.ShowError("missing \"=\"; sorry");
                break;
            }
            const int32_t value = ReadHexByte(kHexByteLimitMs);
            if (value < 0) {
                host_.ShowError("bad hex byte");
                break;
            }
            if (std::fputc(value, file) == EOF) {
                writeFailed = true;
                host_.ShowError(FormatGuarded("Couldn't write \"%s\"", {path}));
                break;
            }
            ++counter;
            if (counter >= settings_.uploadbinbytes) {
                host_.ShowProgress(counter, settings_.uploadbinbytes);
                SendString("\r");
                end = TransferEnd::Completed;
                break;
            }
            bytes_.SendByte(32);
            if (counter % 8 == 0) {
                host_.ShowStatus(FormatGuarded("$%x bytes", {counter}));
                host_.ShowProgress(counter, settings_.uploadbinbytes);
                host_.ProcessMessages();
                if (stopRequested_) {
                    end = TransferEnd::Stopped;
                    break;
                }
            }
        }
    }
    if (std::fclose(file) != 0 && !writeFailed) {
        host_.ShowError(FormatGuarded("Couldn't write \"%s\"", {path}));
        end = TransferEnd::Failed;
    }
    ClearInputSlowly(500);
    SendChar(13);
    EndTransfer();
    return end;
}
