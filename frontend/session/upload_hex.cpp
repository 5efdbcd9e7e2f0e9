// "upload hex": the programmer sends its memory as Intel hex text; the lines are collected
// and saved as a text file when the programmer falls silent, passes the stop address, on
// Stop or on a receive error.
#include <cstdio>
#include <string>
#include <vector>

#include "format.h"
#include "numbers.h"
#include "session.h"

namespace {

constexpr int32_t kFirstByteMs = 10000;
constexpr int32_t kQuietMs = 1000;
// Within a line that never ends, messages are still processed this often, so that Stop
// works against a line full of garbage as well.
constexpr size_t kStopCheckBytes = 4096;
// While records stream in, they are taken this much at a time, not a byte per wake-up: on a
// slow line each byte would wake the transfer on its own. Nothing waits for an answer here.
constexpr int32_t kGatherMs = 5;

enum class SaveResult { Saved, CannotCreate, CannotWrite };

// Every line followed by CR LF; an existing file is replaced.
SaveResult SaveLines(const std::vector<std::string> &lines, const std::string &path)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return SaveResult::CannotCreate;
    bool ok = true;
    for (const std::string &line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() ||
            std::fwrite("\r\n", 1, 2, file) != 2) {
            ok = false;
            break;
        }
    }
    if (std::fclose(file) != 0)
        ok = false;
    return ok ? SaveResult::Saved : SaveResult::CannotWrite;
}

} // namespace

TransferEnd Session::ReceiveHexLines(int32_t stop, std::vector<std::string> &lines, bool sayQuietEnd)
{
    BeginTransfer();
    SendChar('I');
    host_.WaitPumping(200);
    SendChar('U');
    host_.WaitPumping(200);
    SendChar(static_cast<uint8_t>(settings_.uploadoffset.empty() ? '0' : settings_.uploadoffset[0]));
    BeginStoppable();
    host_.ShowStatus(FormatGuarded(
        "Uploading to %x address, offset %s; waiting %d millisecondsfor upload to commence",
        {stop, settings_.uploadoffset, kFirstByteMs}));
    host_.ShowStatus("Waiting for 7 seconds from Prompro 7");
    std::string current;
    int32_t counter = 0;
    size_t sinceMessages = 0;
    host_.WaitPumping(1000);
    ClearReceiveQueue();

    TransferEnd end = TransferEnd::Completed;
    Deadline deadline;
    deadline.Arm(kFirstByteMs);
    bool streaming = false;
    for (bool done = false; !done;) {
        const int32_t waiting = ReceiveQueue();
        if (waiting < 0) {
            host_.ShowError(FormatGuarded("getchar error %d", {waiting}));
            end = TransferEnd::Failed;
            break;
        }
        if (waiting > 0) {
            deadline.Arm(kQuietMs);
        } else if (deadline.Expired()) {
            // The quiet time after records is the normal end; nothing at all is a failure, and
            // so are bytes that never made a line (garbage, a wrong baud rate): there is
            // nothing to save that came from the memory.
            const bool gotLines = !lines.empty();
            if (sayQuietEnd || !gotLines)
                host_.ShowUploadQuiet(FormatGuarded("Timed out (%d ms)", {kFirstByteMs}), gotLines);
            if (!gotLines)
                end = TransferEnd::Failed;
            break;
        } else if (streaming) {
            host_.LetDataCome(kGatherMs);
        } else {
            PauseForLine(deadline.RemainingMs());
            // Between lines, a wait for data ends with Stop and keeps the lines so far.
            if (current.empty() && stopRequested_) {
                end = TransferEnd::Stopped;
                break;
            }
        }
        streaming = waiting > 0;
        for (int32_t i = 0; i < waiting && !done; ++i) {
            const int32_t value = bytes_.ReceiveByte();
            if (value < 0) {
                host_.ShowError(FormatGuarded("getchar error %d", {value}));
                end = TransferEnd::Failed;
                done = true;
            } else if (value >= 32) {
                current += static_cast<char>(value);
                if (++sinceMessages >= kStopCheckBytes) {
                    sinceMessages = 0;
                    host_.ProcessMessages();
                    done = stopRequested_;
                    if (done)
                        end = TransferEnd::Stopped;
                }
            } else if (value == 13) {
                lines.push_back(current);
                ++counter;
                const std::string address = current.size() > 3 ? current.substr(3, 4) : std::string();
                host_.ShowStatus(FormatGuarded("line %d, addr %s", {counter, address}));
                host_.ShowProgress(counter, -1);
                const int64_t begun = ParseHex(address);
                host_.ShowRangeProgress(begun + (current.size() > 2 ? ParseHex(current.substr(1, 2)) : 0),
                                        int64_t(stop) + 1);
                if (stop < begun) {
                    done = true;
                } else {
                    current.clear();
                    sinceMessages = 0;
                    host_.ProcessMessages();
                    done = stopRequested_;
                    if (done)
                        end = TransferEnd::Stopped;
                }
            }
        }
    }

    return end;
}

void Session::EndHexUpload()
{
    ClearInputSlowly(1000);
    SendChar(13);
    EndTransfer();
}

TransferEnd Session::ReadHexLines(int32_t stop, std::vector<std::string> &lines)
{
    const TransferEnd end = ReceiveHexLines(stop, lines, false);
    EndHexUpload();
    return end;
}

TransferEnd Session::UploadHex(const std::string &chosenPath)
{
    std::string path = chosenPath;
    std::vector<std::string> lines;
    TransferEnd end = ReceiveHexLines(settings_.uploadhexstop, lines, true);
    // A failed save asks for another name, so that the received lines are not lost;
    // cancelling the dialog gives them up.
    const TransferEnd receiveEnd = end;
    while (!path.empty()) {
        host_.ShowStatus(FormatGuarded("saving file \"%s\"", {path}));
        const SaveResult saved = SaveLines(lines, path);
        if (saved == SaveResult::Saved) {
            end = receiveEnd;
            break;
        }
        if (saved == SaveResult::CannotCreate) {
            host_.ShowError(FormatGuarded("Cannot create file %s", {path}));
            end = TransferEnd::FileNotOpened;
        } else {
            host_.ShowError(FormatGuarded("Couldn't write \"%s\"", {path}));
            end = TransferEnd::Failed;
        }
        path = host_.ChooseOtherFile(path);
    }
    lines.clear();
    lines.shrink_to_fit();
    EndHexUpload();
    return end;
}
