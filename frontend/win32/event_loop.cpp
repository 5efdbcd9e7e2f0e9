// The window's loop for the logic: idle work, and the waits that keep the window working
// during a transfer.
#include <algorithm>

#include "help_window.h"
#include "main_window.h"

namespace {

// Posted to wake the loop; handled as nothing.
constexpr UINT kWakeMessage = WM_APP + 1;

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
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!Dispatch(msg))
            return false;
    if (quitSeen_)
        return false;
    // The queue is empty: the idle work, then sleep until something comes.
    if (idleOn_)
        logic_.OnIdle();
    SleepUntilMessage(maxWaitMs);
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

// The one place that sleeps for the window: a handle to wait on beside the queue (the
// line's, once the library gives one) goes into this wait.
void MainWindow::SleepUntilMessage(DWORD ms)
{
    if (quitSeen_)
        return;
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void MainWindow::WaitForLineOrEvents(int line, int32_t ms)
{
    (void)line;  // not waitable here: the logic looks at it between these waits
    if (ms > 0)
        SleepUntilMessage(DWORD(ms));
    ProcessEvents();
}

void MainWindow::WakeSoon()
{
    PostMessageW(hwnd_, kWakeMessage, 0, 0);
}
