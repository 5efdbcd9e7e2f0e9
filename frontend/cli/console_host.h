// The session's host on a console: messages on standard error, the echo and the terminal on
// standard output, a progress line, and Ctrl-C as the Stop button.
#pragma once

#include <string>

#include "progress.h"
#include "session.h"
#include "text_log.h"

class ConsoleHost : public SessionHost {
public:
    ConsoleHost() = default;

    // A message line on standard error, the progress line cleared first.
    void Say(const std::string &text);
    // Writes bytes to standard output at once.
    static void Print(const std::string &bytes);
    // The session's display text (Latin-1 names and bytes) for a UTF-8 console; raw: as it came.
    void PrintDisplay(const std::string &text);

    // Whether the echo is shown, and where the progress is drawn (null: nowhere).
    bool echo = false;
    ProgressLine *progress = nullptr;
    // The last figures a transfer gave.
    int64_t lastDone = 0;
    // How messages end: a console in raw mode needs the carriage return written out.
    const char *lineEnd = "\n";
    // Received and echoed bytes as they came (zmcli's --raw), not named.
    void SetRaw(bool on)
    {
        raw_ = on;
        session.SetRawDisplay(on);
    }
    // term: a lost line is waited for, and its return said.
    bool sayLine = false;
    // term --log-text: what the display shows is also kept here.
    TextLog *textLog = nullptr;

    Session session{*this};

private:
    void ShowStatus(const std::string &text) override;
    void ShowInfo(const std::string &text) override { Say(text); }
    void ShowError(const std::string &text) override { Say(text); }
    void ShowEcho(const std::string &text) override;
    void ProcessMessages() override;
    void WaitPumping(int32_t ms) override;
    void StoppableChanged(bool) override {}
    void TransferStarted() override {}
    void TransferEnded() override {}
    // Nobody to ask on a console: the upload checks its file before it starts instead.
    std::string ChooseOtherFile(const std::string &) override { return {}; }
    void ShowProgress(int64_t done, int64_t total) override;
    // A line of its own on standard error, after a transfer's own message. Outside term the
    // command ends with the line and nothing is waited for: port and device only.
    void OnLineLost(const std::string &text) override { Say(sayLine ? text : text.substr(0, text.find(';'))); }
    void OnLineBack(const std::string &text) override { if (sayLine) Say(text); }
    void ShowOpenCause(const std::string &text) override { Say(text); }
    // Silence after records is upload hex's normal end, said by its summary instead.
    void ShowUploadQuiet(const std::string &text, bool afterData) override
    {
        if (!afterData)
            Say(text);
    }

    bool raw_ = false;
};
