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

    // Writes bytes to standard output at once.
    static void Print(const std::string &bytes);

    // Where the echo goes (null: not shown) and where the progress is drawn (null: nowhere).
    LineDisplay *echo = nullptr;
    ProgressLine *progress = nullptr;

    Session session{*this};

private:
    void Message(const std::string &text);
};
