// The log of a run of chips: CSV, only ever appended to, one whole line a chip written and
// flushed to the disk at once; and what a run started again reads from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class ChipResult { Pass, Fail, Stopped, LineLost, NoAnswer };
// As the log and the chip's line say it: pass, fail, stopped, line lost, no answer.
const char *ChipResultText(ChipResult result);
// The first line of a chip, before its result.
inline const char *const kChipStarted = "started";

// One line of the log. A chip has two: `started`, before "P" is sent, then its result.
struct RunLogLine {
    std::string time;    // ISO 8601 with the offset; empty: now
    int32_t site = 0;    // the port number
    std::string device;
    int64_t chip = 0;    // the chip's number in the run
    std::string part;
    std::string image;
    uint16_t imageSum16 = 0;
    uint32_t imageCrc32 = 0;
    std::optional<uint64_t> serial;
    std::string serialHex;
    uint16_t chipSum16 = 0;
    uint32_t chipCrc32 = 0;
    std::string result;  // started, pass, fail, stopped, line lost, no answer
    std::string programAnswer;
    std::string verifyAnswer;
    std::string failAddress;  // hex, empty when the answer named none
};

// The header line, without its line end.
const std::string &RunLogHeader();
// A line's fields, quoted where a spreadsheet needs it, without the line end.
std::string RunLogText(const RunLogLine &line);
// Now as the log writes it: 2026-12-09T23:01:02+01:00.
std::string RunLogTime();

// What a run started again learns from a log's text: the highest serial any line holds.
struct RunLogSummary {
    size_t lines = 0;  // chip lines, the header not counted
    std::optional<uint64_t> highestSerial;
};
// False with `error` naming the line and what is wrong with it: a header that differs, a line
// with another number of fields, a serial that is no number, an unknown result, a last line
// without its end (torn). An empty text is a new log.
bool ReadRunLog(const std::string &text, RunLogSummary &summary, std::string &error);

// The log file, opened for appending only. Not locked: its one writer locks around it.
class RunLogFile {
public:
    RunLogFile() = default;
    ~RunLogFile();
    RunLogFile(const RunLogFile &) = delete;
    RunLogFile &operator=(const RunLogFile &) = delete;

    // Reads what `path` holds (it must be a regular file, or not be there yet), checks it as
    // ReadRunLog does, opens it for appending and writes the header to a new one. False with
    // `error` saying why; nothing is written then.
    bool Open(const std::string &path, RunLogSummary &summary, std::string &error);
    // One whole line, flushed to the disk before it returns.
    bool Append(const RunLogLine &line, std::string &error);
    const std::string &Path() const { return path_; }

private:
    bool Write(const std::string &text, std::string &error);

    std::string path_;
    int fd_ = -1;
};
