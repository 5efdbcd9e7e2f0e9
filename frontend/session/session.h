// A session with the programmer without any window: the connection and its settings, the
// byte layer with its trace log, the terminal's received and sent bytes, Stop, and the three
// transfers (download_hex.cpp, upload_bin.cpp, upload_hex.cpp).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bytelayer.h"
#include "charname.h"
#include "connection.h"
#include "pane_transform.h"
#include "session_host.h"
#include "settings.h"

// How a transfer ended.
enum class TransferEnd {
    Completed,      // every byte, or the upload hex ended by the stop address or its quiet time
    Stopped,        // by Stop; the file keeps what came so far
    Failed,         // a time-out before any data, a receive or send error, a bad answer, a failed write
    FileNotOpened,  // the file could not be opened or created (upload hex: saved at the end,
                    // and no other file was chosen)
};

class DownloadEcho;
class DownloadLines;

// How the answer to a command ended.
enum class AnswerEnd { Prompt, Quiet, Stopped, Lost };

class Session {
public:
    explicit Session(SessionHost &host);
    ~Session();  // gives the port back
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Fills the settings from the arguments (without the program name) and the settings file;
    // a bad command line shows the usage text through the host and returns false.
    bool LoadSettings(const std::vector<std::string> &args, const std::string &programPath);
    ZM32OP &Settings() { return settings_; }
    const ZM32OP &Settings() const { return settings_; }
    const SettingsState &SettingsFound() const { return settingsState_; }
    SettingsState &SettingsFound() { return settingsState_; }

    // Opens the port the settings name; a failure is shown and its result returned.
    int32_t OpenPort();
    // Closes the port (the trace log goes on) and opens it again with the settings as they are
    // now; a failure is shown as OpenPort shows it.
    int32_t ReopenPort();
    bool IsOpen() const { return connection_.IsOpen(); }
    bool IsLineLost() const { return connection_.State() == ConnectionState::Lost; }
    // What a host can sleep on until the line has a byte (see linewait.h); -1 for nothing.
    int LineDescriptor() const { return connection_.LineDescriptor(); }
    // Closes the port and the trace log, writing a pending line break first.
    void Close();

    // The terminal: takes what the line has received (at most a few milliseconds' worth, so
    // that a flood leaves the host time to answer) and appends it to `text` as display text:
    // control bytes by name, a line break after CR or LF, a NUL not at all, other bytes as
    // themselves (Latin-1); with a raw display every byte as it came. A lost line is looked
    // for again instead (about once a second). Returns true while more is waiting.
    bool ReceiveForTerminal(std::string &text);
    void SetRawDisplay(bool raw) { rawDisplay_ = raw; }
    // Timestamps and hex in what the terminal shows, received and echoed; both off by default.
    void SetPaneOptions(const PaneOptions &options);
    const PaneOptions &GetPaneOptions() const { return pane_.Options(); }
    // A typed key: upper-cased when `upper` is on, sent and echoed by the echo rule.
    void KeyPress(char key);
    // Each character paced by delayms, then messages are processed.
    void SendString(const std::string &s);
    // Lets what the programmer still says pass until the line is quiet for `quietMs` (at
    // most `limitMs`), so that an old prompt is not taken for the next answer's.
    void LetLineSettle(int32_t quietMs, int32_t limitMs);
    // The answer to what was sent, up to and including `prompt`, or until the line is quiet
    // for `quietMs`; each piece is shown through `show` as display text as it comes, and its
    // bytes as they came are appended to `received` where given.
    AnswerEnd ReadAnswer(const std::string &prompt, int32_t quietMs,
                         const std::function<void(const std::string &text)> &show,
                         std::string *received = nullptr);

    // Stop: the running transfer looks at it where it may stop.
    void RequestStop() { stopRequested_ = true; }
    // Whether Stop came since the last wait began; a run of chips looks between its steps.
    bool StopRequested() const { return stopRequested_; }
    // Stops the running transfer and every later stoppable step of it.
    void StopTransfer();
    // A host's own use of the line as a transfer (a chip of a run from a window): received
    // bytes are its own, no transfer starts meanwhile, Stop shows and ends it.
    void BeginHostTransfer()
    {
        BeginTransfer();
        BeginStoppable();
    }
    void EndHostTransfer()
    {
        EndStoppable();
        EndTransfer();
    }
    bool TransferRunning() const { return transferRunning_; }

    // The trace log: (re)opened on the next byte under the settings' log name, or closed.
    void RestartTrace() { bytes_.TraceRestart(); }
    void CloseTrace() { bytes_.TraceClose(); }
    bool TraceIsOpen() const { return bytes_.TraceIsOpen(); }

    // The three transfers. Each runs until it ends, shows its messages through the host and
    // leaves the session in terminal mode.
    // Download hex of the file at `path`, read whole before anything is sent, as its own lines.
    TransferEnd DownloadHex(const std::string &path);
    TransferEnd UploadBin(const std::string &path);
    TransferEnd UploadHex(const std::string &path);
    // Download hex of lines read beforehand: a file's own, or records made from an image.
    TransferEnd DownloadHex(DownloadLines lines);
    // What the programmer said during the last download, taken where the download clears
    // the line (the same bytes, no longer thrown away; the trace is as before).
    const std::string &DownloadAnswer() const { return downloadAnswer_; }
    // Upload bin's examine read-back of `count` bytes from `start` into `bytes`, as a transfer.
    TransferEnd ReadBack(int32_t start, int32_t count, std::string &bytes);
    // Upload hex's stream up to the first record past `stop`, its lines kept in `lines`; its
    // quiet end after records is no news.
    TransferEnd ReadHexLines(int32_t stop, std::vector<std::string> &lines);

private:
    friend class SessionProbe;  // the tests' look inside

    int32_t ReceiveQueue();
    void ClearReceiveQueue();
    void SayLost();
    bool Reconnect();
    // A wait on the line found nothing waiting: sleeps until a byte comes, the host has
    // input (handled by the host), or `ms` pass.
    void PauseForLine(int32_t ms);

    // The echo rule: what SendChar shows of a byte it sends.
    bool Echoes(uint8_t c) const { return settings_.echo && (c >= 32 || echoControls_); }
    void SendChar(uint8_t c);
    // The echo goes to the host in batches: EchoLater keeps a byte the echo rule shows,
    // FlushEcho hands what is kept to the host. SendChar flushes first.
    void EchoLater(uint8_t c);
    void FlushEcho();
    // Display text of bytes: a received NUL is dropped, an echoed one named.
    std::string DisplayText(const std::string &bytes, bool received);

    void BeginStoppable();
    void EndStoppable();
    void BeginTransfer();
    void EndTransfer();
    // Clears the line until it stays quiet for `quietMs`, or Stop.
    void ClearInputSlowly(int32_t quietMs);
    // Upload bin's readers: the next occurrence of `text`, and two hex digits (-1 when they
    // do not come or are not hex). A negative limit waits without end.
    bool WaitForText(const std::string &text, int32_t limitMs);
    int32_t ReadHexByte(int32_t limitMs);
    // Upload hex up to the first record past `stop`, and its end: the slow clearing, the CR.
    // The quiet time after records, upload hex's usual end, is said when `sayQuietEnd`.
    TransferEnd ReceiveHexLines(int32_t stop, std::vector<std::string> &lines, bool sayQuietEnd);
    void EndHexUpload();
    TransferEnd ExaminePass(int32_t start, int32_t count,
                            const std::function<bool(uint8_t, int32_t)> &take);
    // Download hex's sending: the text byte by byte, echoed in batches, paced when asked;
    // stops at the first failed send and returns its result.
    int32_t SendEchoed(DownloadEcho &echo, const std::string &text, bool paced);

    SessionHost &host_;
    ZM32OP settings_;
    SettingsState settingsState_;
    Connection connection_{settings_};
    ByteLayer bytes_{connection_.Handle(), settings_};
    CharNameState displayState_;
    PaneTransform pane_;
    bool rawDisplay_ = false;
    bool stopRequested_ = false;
    bool echoControls_ = false;
    bool transferRunning_ = false;
    bool stopWholeTransfer_ = false;

    std::string pendingEcho_;
    std::string downloadAnswer_;
};
