// What a session needs from the program around it: a window, or a console.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "linewait.h"

class SessionHost {
public:
    virtual ~SessionHost() = default;

    // The one-line status (empty clears it). The text is bytes, each one character.
    virtual void ShowStatus(const std::string &text) = 0;
    // Information and errors, said in full. Called while the transfer waits, like a modal box.
    virtual void ShowInfo(const std::string &text) = 0;
    virtual void ShowError(const std::string &text) = 0;
    // What was sent, as display text (see Session::ReceiveForTerminal), for the terminal.
    virtual void ShowEcho(const std::string &text) = 0;
    // Handles what is pending (keys, clicks, a stop request), then returns at once.
    virtual void ProcessMessages() = 0;
    // Waits about `ms` (at most kLongestWaitMs) while handling what comes meanwhile.
    virtual void WaitPumping(int32_t ms) = 0;
    // Sleeps at most `ms` until the line (`line`, see linewait.h; -1: none) has a byte or the
    // host has input, and handles that input. This one sleeps on the line alone and handles
    // what came after it; a window wakes for its own events too.
    virtual void WaitForLine(int line, int32_t ms)
    {
        linewait::Wait(line, ms);
        ProcessMessages();
    }
    // Lets about `ms` pass while data streams in and nothing waits for an answer. A window
    // waits on its own input meanwhile, so that a click lands while the line is busy too.
    virtual void LetDataCome(int32_t ms)
    {
        linewait::SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
    }
    // A stoppable part of a transfer begins or ends: the Stop control appears or goes.
    virtual void StoppableChanged(bool stoppable) = 0;
    // A transfer owns the line from TransferStarted until TransferEnded: received bytes are
    // for the transfer, not for the terminal, and no second transfer may start.
    virtual void TransferStarted() = 0;
    virtual void TransferEnded() = 0;
    // How far a transfer is: `done` of `total` (bytes of the file, bytes or lines of memory);
    // a total below 0 is not known. A window shows the status line instead.
    virtual void ShowProgress(int64_t done, int64_t total) { (void)done, (void)total; }
    // Upload hex, whose lines are counted above: how far the lines' addresses are into the
    // range asked for, `done` of `total` bytes.
    virtual void ShowRangeProgress(int64_t done, int64_t total) { (void)done, (void)total; }
    // Upload hex could not save to `failedPath`: another file to try, or "" to give up.
    virtual std::string ChooseOtherFile(const std::string &failedPath) = 0;
    // The line went away (an unplugged adapter, a programmer switched off), or came back.
    // Each is said once, without a box: nobody has to answer it. The text names the port and
    // the device it stands for.
    virtual void OnLineLost(const std::string &text) = 0;
    virtual void OnLineBack(const std::string &text) = 0;
    // The port did not open: after the error, why (the port, its device, the cause). A window
    // shows it on its status line.
    virtual void ShowOpenCause(const std::string &text) { ShowStatus(text); }
    // Upload hex ended on the programmer's silence; `afterData`: after records, its normal end.
    virtual void ShowUploadQuiet(const std::string &text, bool afterData)
    {
        (void)afterData;
        ShowInfo(text);
    }
};
