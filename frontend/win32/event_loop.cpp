// The window's loop for the logic: idle work, and the waits that keep the window working
// during a transfer. It waits on the line's event and the message queue together.
#include <algorithm>

#include "help_window.h"
#include "main_window.h"

namespace {

// Posted to wake the loop; handled as nothing.
constexpr UINT kWakeMessage = WM_APP + 1;

// How often another loop (a box's, a menu's) looks at the line, and how long the idle sleep leaves
// the line out after it woke for nothing.
constexpr int kModalWakeMs = 10;
constexpr auto kLineRest = std::chrono::milliseconds(10);

HANDLE LineHandle(int line)
{
    return line >= 0 ? reinterpret_cast<HANDLE>(static_cast<intptr_t>(line)) : nullptr;
}

}  // namespace

int MainWindow::Run(int show)
{
    ::ShowWindow(hwnd_, show);
    UpdateWindow(hwnd_);
    while (RunOnce(INFINITE)) {
    }
    return exitCode_;
}

bool MainWindow::RunOnce(DWORD maxWaitMs)
{
    MSG msg;
    bool dispatched = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // What a message starts may run a loop of its own (a box, a menu, a move), which
        // cannot wait on the line.
        if (!dispatched && idleOn_ && idleLine_ && idleWakeMs_ <= 0 && !idleTimerOn_)
            idleTimerOn_ = SetTimer(hwnd_, kIdleTimer, kModalWakeMs, nullptr) != 0;
        dispatched = true;
        if (!Dispatch(msg))
            return false;
    }
    if (quitSeen_)
        return false;
    // The queue is empty: the idle work, then sleep until something comes. A rest that ended
    // with nothing to do goes straight back to the line, whose event tells whether to look.
    if (idleOn_ && (dispatched || !lineRestEnded_)) {
        paneAppended_ = false;
        ++counts_.idleWork;
        logic_.OnIdle();
        if (lineWoke_ && !paneAppended_)
            lineRestsUntil_ = std::chrono::steady_clock::now() + kLineRest;
    }
    lineWoke_ = false;
    lineRestEnded_ = false;
    SleepWhileIdle(maxWaitMs);
    return !quitSeen_;
}

bool MainWindow::Dispatch(MSG &msg)
{
    if (msg.message == WM_QUIT) {
        quitSeen_ = true;
        exitCode_ = int(msg.wParam);
        return false;
    }
    if (msg.message == kWakeMessage && msg.hwnd == hwnd_)
        return true;
    if (help_->PreTranslate(msg))
        return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void MainWindow::ProcessEvents()
{
    MSG msg;
    while (!quitSeen_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        Dispatch(msg);
}

// The one place that sleeps for the window.
bool MainWindow::SleepUntilMessage(DWORD ms, HANDLE line)
{
    if (quitSeen_)
        return false;
    const DWORD woke = MsgWaitForMultipleObjectsEx(line ? 1 : 0, line ? &line : nullptr, ms, QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
    ++counts_.wakes;
    if (woke == WAIT_FAILED && line) {
        // A line closed behind the loop's back: the timer looks at it until the logic says anew.
        if (line == idleLine_) {
            idleLine_ = nullptr;
            SetTimer(hwnd_, kIdleTimer, kModalWakeMs, nullptr);
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        return false;
    }
    return line && woke == WAIT_OBJECT_0;
}

// Under wine the library's event is set within about 2 ms of arming it, byte or not: waited on
// every time, it would wake an idle window five times as often as the 10 ms timer it replaces.
// After a wake that brought nothing the line rests for 10 ms, and a byte is seen when the rest
// ends, no later than the timer saw it. Where the event is set only by bytes it never rests.
void MainWindow::SleepWhileIdle(DWORD ms)
{
    HANDLE line = idleOn_ ? idleLine_ : nullptr;
    if (line) {
        // This loop waits on the line itself.
        if (idleWakeMs_ <= 0 && idleTimerOn_)
            idleTimerOn_ = !KillTimer(hwnd_, kIdleTimer);
        const auto now = std::chrono::steady_clock::now();
        if (now < lineRestsUntil_) {
            const auto rest = std::chrono::ceil<std::chrono::milliseconds>(lineRestsUntil_ - now).count();
            if (DWORD(rest) <= ms) {
                SleepUntilMessage(DWORD(rest), nullptr);
                if (std::chrono::steady_clock::now() >= lineRestsUntil_) {
                    // An event set meanwhile, as under wine it always is, is looked at without
                    // another round through the wait.
                    lineWoke_ = WaitForSingleObject(line, 0) == WAIT_OBJECT_0;
                    lineRestEnded_ = !lineWoke_;
                }
                return;
            }
            line = nullptr;
        }
    }
    lineWoke_ = SleepUntilMessage(ms, line);
}

void MainWindow::WaitForLineOrEvents(int line, int32_t ms)
{
    if (ms > 0)
        SleepUntilMessage(DWORD(ms), LineHandle(line));
    ProcessEvents();
}

void MainWindow::SetIdle(bool on, int line, int wakeMs)
{
    idleOn_ = on;
    idleWakeMs_ = on ? wakeMs : 0;
    idleLine_ = on ? LineHandle(line) : nullptr;
    // A timer, not the loop's time-out, so that a box's or a menu's own loop does the idle
    // work too. A line is waited on by this loop itself; the timer then runs only while another
    // loop does (a dispatched message starts it, the sleep stops it).
    if (idleWakeMs_ > 0)
        idleTimerOn_ = SetTimer(hwnd_, kIdleTimer, UINT(idleWakeMs_), nullptr) != 0;
    else if (!idleLine_ && idleTimerOn_)
        idleTimerOn_ = !KillTimer(hwnd_, kIdleTimer);
}

bool MainWindow::IdleTimerDue() const
{
    if (!idleOn_)
        return false;
    // In another loop the event, looked at, says whether the line has anything.
    return !idleLine_ || idleWakeMs_ > 0 || WaitForSingleObject(idleLine_, 0) != WAIT_TIMEOUT;
}

void MainWindow::WakeSoon()
{
    PostMessageW(hwnd_, kWakeMessage, 0, 0);
}
