#include "console_host.h"

#include <algorithm>
#include <cstdio>

#include "console.h"

namespace {

// How long a pumping wait sleeps between looks at the stop signal.
constexpr int32_t kSliceMs = 10;

}  // namespace

void ConsoleHost::Print(const std::string &bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

void ConsoleHost::Message(const std::string &text)
{
    if (progress)
        progress->Clear();
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputs(lineEnd, stderr);
    std::fflush(stderr);
}

void ConsoleHost::ShowStatus(const std::string &text)
{
    if (progress)
        progress->Status(text);
}

void ConsoleHost::ShowInfo(const std::string &format, const FormatArgs &args)
{
    Message(FormatGuarded(format, args));
}

void ConsoleHost::ShowError(const std::string &format, const FormatArgs &args)
{
    Message(FormatGuarded(format, args));
}

void ConsoleHost::ShowEcho(const std::string &bytes)
{
    if (echo)
        Print(echo->Render(bytes));
}

void ConsoleHost::ProcessMessages()
{
    if (console::StopSignal() == 0)
        return;
    // Ctrl-C stops the whole transfer, its slow clearing at the end included.
    if (session.transferRunning)
        session.StopTransfer();
    else
        session.RequestStop();
}

void ConsoleHost::WaitPumping(int32_t ms)
{
    Deadline deadline;
    deadline.Arm(std::min(ms, kLongestWaitMs));
    while (!deadline.Expired()) {
        console::Sleep(kSliceMs);
        ProcessMessages();
    }
}

void ConsoleHost::ShowProgress(int64_t done, int64_t total)
{
    if (progress)
        progress->Progress(done, total);
}
