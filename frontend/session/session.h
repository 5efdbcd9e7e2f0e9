// A session with the programmer without any window: the open port and its settings, the
// byte layer with its trace log, sending with the echo rule, Stop, and the three transfers.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "bytelayer.h"
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

// The line to the programmer: Up from a successful open; Lost when the device went away after
// that (its port is then closed until it can be opened again); Closed before and after.
enum class Line { Closed, Up, Lost };

class Session {
public:
    explicit Session(SessionHost &host);
    ~Session();  // gives the port back
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Fills `settings` from the arguments (without the program name) and the settings file;
    // a bad command line shows the usage text through the host and returns false.
    bool LoadSettings(const std::vector<std::string> &args, const std::string &programPath);
    // Opens `settings.port` with the settings; a failure is shown and its result returned.
    int32_t OpenPort();
    bool IsOpen() const { return port != 0; }
    // Closes the port and the trace log, writing a pending line break first.
    void Close();

    // The port's receive queue count (negative on failure), and its clearing. A failure here
    // (or a failed send followed by one) on an open line means the device has gone: the line
    // is lost, and said so.
    int32_t ReceiveQueue();
    void ClearReceiveQueue();
    bool LineLost() const { return line == Line::Lost; }
    // While the line is lost and no transfer runs: about once a second opens the port again
    // with the same settings, and says so when it is back. A host calls it whenever it is idle.
    bool Reconnect();
    // A wait on the line found nothing waiting: pauses briefly instead of asking again at once,
    // and lets the host handle its input now and then.
    void PauseForLine();

    // The echo rule: what SendChar shows of a byte it sends.
    bool Echoes(uint8_t c) const { return settings.echo && (c >= 32 || echoControls); }
    void SendChar(uint8_t c);
    // Each character paced by delayms, then messages are processed.
    void SendString(const std::string &s);
    // A typed key: upper-cased when `upper` is on, then sent as SendChar does.
    void KeyPress(char key);

    // Stop: the transfer looks at stopRequested where it may stop.
    void BeginStoppable();
    void EndStoppable();
    void RequestStop() { stopRequested = true; }
    // Stops the running transfer and every later stoppable step of it.
    void StopTransfer();
    // Clears the line until it stays quiet for `quietMs`, or Stop.
    void ClearInputSlowly(int32_t quietMs);

    // The three transfers. Each runs until it ends, shows its messages through the host and
    // leaves the session in terminal mode.
    TransferEnd DownloadHex(const std::string &path);
    TransferEnd UploadBin(const std::string &path);
    TransferEnd UploadHex(const std::string &path);

    // Upload bin's readers: the next occurrence of `text`, and two hex digits (-1 when they
    // do not come or are not hex). A negative limit waits without end.
    bool WaitForText(const std::string &text, int32_t limitMs);
    int32_t ReadHexByte(int32_t limitMs);

    // Download hex's echo goes to the host in batches: EchoLater keeps a byte the echo rule
    // shows, FlushEcho hands what is kept to the host. SendChar flushes first.
    void EchoLater(uint8_t c);
    void FlushEcho();

    SessionHost &host;
    ZM32OP settings;
    SettingsState settingsState;
    intptr_t port = 0;
    Line line = Line::Closed;
    ByteLayer bytes{port, settings};
    bool stopRequested = false;
    bool echoControls = false;
    bool transferRunning = false;
    bool stopWholeTransfer = false;

private:
    void BeginTransfer();
    void EndTransfer();
    int32_t Open();
    void LoseLine();
    std::string LostText() const;

    std::string pendingEcho_;
    Deadline reconnectDue_;
    std::chrono::steady_clock::time_point lastInput_;
    // How quickly the line answers a send: the send last timed, and the sleeps after a send.
    std::chrono::steady_clock::time_point answeredSend_;
    bool quickAnswers_ = true;
    std::chrono::steady_clock::time_point sleptAfter_;
    int sleeps_ = 0;
};
