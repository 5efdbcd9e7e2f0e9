// The session's host on a console: messages on standard error, the echo and the terminal on
// standard output, a progress line, and Ctrl-C as the Stop button.
#pragma once

#include <string>

#include "display.h"
#include "progress.h"
#include "session.h"

class ConsoleHost : public SessionHost {
public:
    ConsoleHost() = default;

    void ShowStatus(const std::string &text) override;
    void ShowInfo(const std::string &format, const FormatArgs &args) override;
    void ShowError(const std::string &format, const FormatArgs &args) override;
    void ShowEcho(const std::string &bytes) override;
    void ProcessMessages() override;
    void WaitPumping(int32_t ms) override;
    void StoppableChanged(bool) override {}
    void TransferStarted() override {}
    void TransferEnded() override {}
    // Nobody to ask on a console: the upload checks its file before it starts instead.
    std::string ChooseOtherFile(const std::string &) override { return {}; }
    void ShowProgress(int64_t done, int64_t total) override;
    // In term, a line of its own on standard error; a command that ends with the transfer
    // says it by the transfer's own message and status, with nothing to wait for.
    void LineLost(const std::string &text) override { if (sayLine) Message(text); }
    void LineBack(const std::string &text) override { if (sayLine) Message(text); }

    // Writes bytes to standard output at once.
    static void Print(const std::string &bytes);

    // Where the echo goes (null: not shown) and where the progress is drawn (null: nowhere).
    LineDisplay *echo = nullptr;
    ProgressLine *progress = nullptr;
    // How messages end: a console in raw mode needs the carriage return written out.
    const char *lineEnd = "\n";
    bool sayLine = false;

    Session session{*this};

private:
    void Message(const std::string &text);
};
