// The window's loop for the logic: idle work, and the waits that keep the window working
// during a transfer. Everything that starts idle work arrives as a message to the window, so
// that any loop (the window's own, a box's, a menu's, a file dialog's) hands it over and sleeps
// until then.
#include "help_window.h"
#include "main_window.h"

namespace {

// Posted for more idle work at once; posted by the line's wait when the line's event is set.
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT kLineMessage = WM_APP + 2;

// On a thread of the system's pool: only posts, so that removing the wait never waits long.
void CALLBACK LineSignalled(void *window, BOOLEAN)
{
    PostMessageW(static_cast<HWND>(window), kLineMessage, 0, 0);
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
    ProcessEvents();
    if (quitSeen_)
        return false;
    SleepUntilMessage(maxWaitMs, nullptr);
    return !quitSeen_;
}

bool MainWindow::Dispatch(MSG &msg)
{
    if (msg.message == WM_QUIT) {
        quitSeen_ = true;
        exitCode_ = int(msg.wParam);
        return false;
    }
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
        // A line closed behind the loop's back: the rest of the wait is for messages alone.
        MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        return false;
    }
    return line && woke == WAIT_OBJECT_0;
}

bool MainWindow::HandleLoopMessage(UINT msg, WPARAM wp)
{
    if (msg == kLineMessage || msg == kWakeMessage || (msg == WM_TIMER && wp == kIdleTimer)) {
        IdleWork();
        return true;
    }
    return false;
}

// A box opened by the idle work runs a loop that brings these messages again: the work is
// not started inside itself, and the line is waited on again once the outer work has looked.
void MainWindow::IdleWork()
{
    if (!idleOn_ || inIdleWork_)
        return;
    // The work may close the line, whose event must not be waited on then; a wait that fired
    // is done anyway. It is set again after the line was looked at.
    StopLineWait();
    inIdleWork_ = true;
    ++counts_.idleWork;
    const bool looked = logic_.OnIdle();
    inIdleWork_ = false;
    // Only a look at the line arms its event; the logic wakes the loop when held-off work waits.
    if (looked)
        StartLineWait();
}

void MainWindow::StartLineWait()
{
    if (!idleOn_ || !idleLine_ || lineWait_)
        return;
    if (!RegisterWaitForSingleObject(&lineWait_, idleLine_, LineSignalled, hwnd_, INFINITE,
                                     WT_EXECUTEONLYONCE | WT_EXECUTEINWAITTHREAD))
        lineWait_ = nullptr;
}

void MainWindow::StopLineWait()
{
    if (!lineWait_)
        return;
    // Blocks until a callback under way has posted: none comes after this.
    UnregisterWaitEx(lineWait_, INVALID_HANDLE_VALUE);
    lineWait_ = nullptr;
}

void MainWindow::WaitForLineOrEvents(LineSignal line, int32_t ms)
{
    if (ms > 0)
        SleepUntilMessage(DWORD(ms), line.Event());
    ProcessEvents();
}

void MainWindow::SetIdle(bool on, LineSignal line, int wakeMs)
{
    const HANDLE lineHandle = on ? line.Event() : nullptr;
    const bool started = on && (!idleOn_ || lineHandle != idleLine_);
    if (lineHandle != idleLine_ || !on)
        StopLineWait();
    idleOn_ = on;
    idleLine_ = lineHandle;
    // The timer only for work that nothing announces (a lost line looked for again, a line
    // without an event); set only when it changes, so that the idle work does not restart it.
    const int timerMs = on ? wakeMs : 0;
    if (timerMs != idleTimerMs_) {
        if (timerMs > 0)
            SetTimer(hwnd_, kIdleTimer, UINT(timerMs), nullptr);
        else
            KillTimer(hwnd_, kIdleTimer);
        idleTimerMs_ = timerMs;
    }
    // A line's event means something only after a look at the line: the idle work looks first.
    if (started)
        WakeSoon();
}

void MainWindow::WakeSoon()
{
    PostMessageW(hwnd_, kWakeMessage, 0, 0);
}
