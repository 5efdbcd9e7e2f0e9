#include "console_host.h"

#include <algorithm>
#include <cstdio>

#include "console.h"
#include "timing.h"

void ConsoleHost::Print(const std::string &bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

void ConsoleHost::Say(const std::string &text)
{
    if (progress)
        progress->Clear();
    // One write a line: a gang's sites say things from their own threads.
    const std::string line = text + lineEnd;
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void ConsoleHost::PrintDisplay(const std::string &text)
{
    if (raw_) {
        Print(text);
        return;
    }
    std::string shown;
    for (const char n : text) {
        const auto b = static_cast<uint8_t>(n);
        if (b < 0x80) {
            shown += n;
        } else {
            shown += static_cast<char>(0xC0 | (b >> 6));
            shown += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    Print(shown);
}

void ConsoleHost::ShowStatus(const std::string &text)
{
    if (progress)
        progress->Status(text);
}

void ConsoleHost::ShowEcho(const std::string &text)
{
    if (echo)
        PrintDisplay(text);
}

void ConsoleHost::ProcessMessages()
{
    if (console::StopSignal() == 0)
        return;
    // Ctrl-C stops the whole transfer, its slow clearing at the end included.
    if (session.TransferRunning())
        session.StopTransfer();
    else
        session.RequestStop();
}

void ConsoleHost::WaitPumping(int32_t ms)
{
    Deadline deadline;
    deadline.Arm(std::min(ms, kLongestWaitMs));
    // A stop signal ends the sleep early (it interrupts the poll inside).
    while (!deadline.Expired()) {
        console::Sleep(std::max(deadline.RemainingMs(), 1));
        ProcessMessages();
    }
}

void ConsoleHost::ShowProgress(int64_t done, int64_t total)
{
    lastDone = done;
    if (progress)
        progress->Progress(done, total);
}
