// The console on Windows: the console input API for raw keys, a console control handler for
// the stop requests, an event it sets to end waits early.
#include "../console.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "linewait.h"

namespace console {

namespace {

// Set from the control handler's own thread.
std::atomic<int> stopSignal{0};
// Auto-reset: a request ends the one wait under way, not every sleep after it.
HANDLE stopEvent = nullptr;
UINT savedOutputCodePage = 0;

// The handler runs on a thread of its own; main's loops see the request within their slice.
BOOL WINAPI OnControl(DWORD type)
{
    int sig = 0;
    switch (type) {
    case CTRL_C_EVENT:
        sig = SIGINT;
        break;
    case CTRL_BREAK_EVENT:
        sig = SIGBREAK;
        break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        sig = SIGTERM;
        break;
    default:
        return FALSE;
    }
    // A second request ends the program: a hung line never traps the user.
    if (stopSignal.exchange(sig) != 0)
        return FALSE;
    if (stopEvent)
        SetEvent(stopEvent);
    linewait::WakeWait();
    // Windows ends the process as soon as a close handler returns: the time until then lets
    // the transfer stop, keep its file and close the port.
    if (sig == SIGTERM)
        ::Sleep(3000);
    return TRUE;
}

HANDLE Handle(int fd)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

void RestoreOutputCodePage()
{
    if (savedOutputCodePage)
        SetConsoleOutputCP(savedOutputCodePage);
}

// Waits for the handle, a stop request or the line's event (null: none); true when the handle
// is signalled.
bool WaitFor(HANDLE handle, DWORD ms, HANDLE line)
{
    HANDLE handles[3] = {handle};
    DWORD count = 1;
    for (HANDLE other : {stopEvent, line})
        if (other)
            handles[count++] = other;
    return WaitForMultipleObjects(count, handles, FALSE, ms) == WAIT_OBJECT_0;
}

void AppendUtf8(std::string &bytes, wchar_t c)
{
    const auto u = static_cast<unsigned>(c);
    if (u < 0x80) {
        bytes += static_cast<char>(u);
    } else if (u < 0x800) {
        bytes += static_cast<char>(0xC0 | (u >> 6));
        bytes += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        // Halves of a surrogate pair come one by one; each stands for a character the
        // programmer's 8-bit line cannot take anyway, which KeysToBytes drops.
        bytes += static_cast<char>(0xE0 | (u >> 12));
        bytes += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// Key presses from the console's input queue, as a POSIX terminal would deliver them.
Input ReadConsoleKeys(HANDLE in, int ms, std::string &bytes, HANDLE line)
{
    if (!WaitFor(in, static_cast<DWORD>(ms), line))
        return Input::None;
    INPUT_RECORD records[64];
    DWORD n = 0;
    if (!ReadConsoleInputW(in, records, 64, &n))
        return Input::End;
    const size_t before = bytes.size();
    for (DWORD i = 0; i < n; ++i) {
        // Mouse, focus and size events and the releases are read only to empty the queue.
        if (records[i].EventType != KEY_EVENT || !records[i].Event.KeyEvent.bKeyDown)
            continue;
        const KEY_EVENT_RECORD &key = records[i].Event.KeyEvent;
        if (key.uChar.UnicodeChar == 0)
            continue;  // shift, arrows and the like without virtual-terminal input
        for (WORD r = 0; r < key.wRepeatCount; ++r)
            AppendUtf8(bytes, key.uChar.UnicodeChar);
    }
    return bytes.size() > before ? Input::Bytes : Input::None;
}

// Redirected input (a pipe, a file, NUL) is read by a thread of its own in blocking reads:
// a pipe from a POSIX shell under wine has no PeekNamedPipe and is always "signalled", and one
// way for every kind of handle is the one that is proven there.
struct RedirectedInput {
    CRITICAL_SECTION lock;
    HANDLE arrived = nullptr;  // auto-reset: set after each read and at the end
    std::string pending;
    bool ended = false;
};

DWORD WINAPI ReadRedirected(void *context)
{
    auto &input = *static_cast<RedirectedInput *>(context);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    for (bool ended = false; !ended;) {
        char buffer[256];
        DWORD n = 0;
        ended = !ReadFile(in, buffer, sizeof buffer, &n, nullptr) || n == 0;
        EnterCriticalSection(&input.lock);
        input.pending.append(buffer, ended ? 0 : n);
        input.ended = ended;
        LeaveCriticalSection(&input.lock);
        SetEvent(input.arrived);
    }
    return 0;
}

// What the reader has, moved to `bytes`; None while it has nothing yet.
Input TakeRedirected(RedirectedInput &input, std::string &bytes)
{
    EnterCriticalSection(&input.lock);
    Input result = Input::None;
    if (!input.pending.empty()) {
        bytes += input.pending;
        input.pending.clear();
        result = Input::Bytes;
    } else if (input.ended) {
        result = Input::End;
    }
    LeaveCriticalSection(&input.lock);
    return result;
}

Input ReadRedirectedInput(int ms, std::string &bytes, HANDLE line)
{
    // Started at the first read and left running: a read that blocks ends with the process.
    static RedirectedInput *input = [] {
        auto *started = new RedirectedInput;
        InitializeCriticalSection(&started->lock);
        started->arrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!started->arrived || !CreateThread(nullptr, 0, ReadRedirected, started, 0, nullptr))
            started->ended = true;
        return started;
    }();
    const Input now = TakeRedirected(*input, bytes);
    if (now != Input::None || !input->arrived)
        return now;
    WaitFor(input->arrived, static_cast<DWORD>(ms), line);
    return TakeRedirected(*input, bytes);
}

}  // namespace

bool IsTerminal(int fd)
{
    return IsConsole(Handle(fd));
}

void CatchStopSignals()
{
    stopEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnControl, TRUE);
    // The line's bytes go out unchanged, as on POSIX; the C runtime would add a CR to each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    // The display and the keys are UTF-8, as the POSIX console takes them.
    if (IsConsole(Handle(1)) || IsConsole(Handle(2))) {
        savedOutputCodePage = GetConsoleOutputCP();
        if (SetConsoleOutputCP(CP_UTF8))
            std::atexit(RestoreOutputCodePage);
    }
    // The progress line redraws itself with an escape sequence.
    HANDLE err = Handle(2);
    DWORD mode = 0;
    if (IsConsole(err) && GetConsoleMode(err, &mode))
        SetConsoleMode(err, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int StopSignal()
{
    return stopSignal;
}

struct RawMode::Saved {
    DWORD mode;
};

RawMode::RawMode()
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!IsConsole(in) || !GetConsoleMode(in, &mode))
        return;
    saved_ = std::make_unique<Saved>(Saved{mode});
    // Keys arrive one by one, unechoed; Ctrl-C is a byte for the programmer. Keys that send
    // escape sequences send them as a POSIX terminal does, where the console can.
    DWORD raw = mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT |
                                           ENABLE_MOUSE_INPUT | ENABLE_WINDOW_INPUT);
    if (!SetConsoleMode(in, raw | ENABLE_VIRTUAL_TERMINAL_INPUT) && !SetConsoleMode(in, raw))
        saved_.reset();
    else
        FlushConsoleInputBuffer(in);
}

RawMode::~RawMode()
{
    if (saved_)
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), saved_->mode);
}

Input ReadInput(int ms, std::string &bytes, int line)
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE)
        return Input::End;
    // The line's event (zmhwLINE), as the session's waits take it.
    HANDLE lineEvent = line >= 0 ? reinterpret_cast<HANDLE>(static_cast<intptr_t>(line)) : nullptr;
    if (IsConsole(in))
        return ReadConsoleKeys(in, ms, bytes, lineEvent);
    return ReadRedirectedInput(ms, bytes, lineEvent);
}

void Sleep(int ms)
{
    if (ms <= 0)
        return;
    if (stopEvent)
        WaitForSingleObject(stopEvent, static_cast<DWORD>(ms));
    else
        ::Sleep(static_cast<DWORD>(ms));
}

}  // namespace console
