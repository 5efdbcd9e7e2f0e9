// A run of chips from one image: the image downloaded once, then for each chip its serial
// number written into the programmer's memory (X) and read back, "P", "V", their answers
// judged, and a log line before and after. zmcli's batch runs it (one site, or a gang of
// sites on threads); the window's production panel does one chip per button press.
//
// Every wait goes through the session and its host, as the transfers' do: a window stays
// alive, and its Stop (Session::RequestStop or StopTransfer) ends a chip under way as
// `stopped`.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "image/memory_image.h"
#include "platform/run_lock.h"
#include "run_log.h"
#include "serial_counter.h"
#include "session.h"

// What the run does, the same for every site.
struct RunPlan {
    std::string imagePath;  // as the log and the messages name it
    MemoryImage image;      // as read from it
    std::string imageText;  // the file's text, read once with the image, for its own lines
    std::optional<SerialPlan> serial;
    // Words a pass needs beside the prompt and no "fail" or "error" (zm32.ini's programok,
    // verifyok); empty: none.
    std::string programOk;
    std::string verifyOk;
    int32_t answerSeconds = 120;  // the longest wait for each answer
    std::string logPath;
};

// A chip's number and serial, given out before it starts (a gang's in site order).
struct ChipTicket {
    int64_t chip = 0;
    std::optional<uint64_t> serial;
};

struct ChipOutcome {
    int64_t chip = 0;
    int32_t site = 0;  // the port
    ChipResult result = ChipResult::Fail;
    std::optional<uint64_t> serial;
    std::string serialHex;
    uint16_t sum16 = 0;  // over the image with the chip's serial
    uint32_t crc32 = 0;
    std::string programAnswer;  // the answers, their prompt and line ends left out
    std::string verifyAnswer;
    std::optional<uint32_t> failAddress;  // where an answer named one
    std::string reason;  // why it did not pass, for the chip's line
    bool logged = true;  // false: the log could not be written, and the run must end
};

// The programmer's prompt, which ends each answer.
inline const std::string kProgrammerPrompt = "\r\n>";

// What the sites of a run share, each behind the one lock: the chip numbers, the serial
// counter and the log.
class RunBook {
public:
    explicit RunBook(const RunPlan &plan);
    RunBook(const RunBook &) = delete;
    RunBook &operator=(const RunBook &) = delete;

    // The values that need no programmer (the serial plan), then the log: opened, its
    // header checked, the serials going on above its highest. False with the refusal in
    // `error`; nothing is sent before this. `note` says where the serials go on, if anywhere.
    bool Open(std::string &error, std::string &note);
    const RunPlan &Plan() const { return plan_; }
    const std::string &LogPath() const { return log_.Path(); }

    // The next chip's number and serial; none when the serials are used up.
    std::optional<ChipTicket> Issue();
    // The serial the next chip gets (the panel's "Next serial"); none without serials or
    // when they are used up.
    std::optional<uint64_t> NextSerial() const;

    // The chip's line, whole and on the disk; false with `error`.
    bool Record(const RunLogLine &line, std::string &error);
    // After a chip: a failed one's number is given again with reuse; the counts.
    void Done(const ChipOutcome &outcome);
    int64_t Passed() const;
    int64_t Failed() const;
    // The lowest and highest serial given to a chip in this run.
    std::optional<uint64_t> LowestGiven() const;
    std::optional<uint64_t> HighestGiven() const;

private:
    const RunPlan &plan_;
    mutable RunLock lock_;
    RunLogFile log_;
    SerialCounter counter_;
    int64_t chips_ = 0, passed_ = 0, failed_ = 0;
    std::optional<uint64_t> lowest_, highest_;
};

// One site's run on its session.
class ChipRun {
public:
    ChipRun(Session &session, RunBook &book);

    // What the programmer's side must allow: the image, and a serial, inside the part the
    // session's settings name (or the 16-bit addresses the download sends). Empty when
    // good, else the refusal; nothing is sent.
    std::string Check() const;
    // The image into the programmer's memory, as zmcli's download sends it, its answer judged
    // the same way. Empty when done, else why not.
    std::string Download();
    // One chip, its log lines included. A ticket from the book; without one, the book issues
    // it (none left: a chip with result Stopped and the reason said).
    ChipOutcome DoChip(std::optional<ChipTicket> ticket = std::nullopt);
    // Where the programmer's answers are shown as they come (display text); unset: nowhere.
    std::function<void(const std::string &text)> showAnswer;

private:
    Session &session_;
    RunBook &book_;
};

// The programmer's answer to a download (what it said once the records were out), judged as
// zmcli's download judges it: empty when good, else why not. `shown` gets the answer as text.
std::string JudgeDownloadAnswer(Session &session, std::string &shown);
