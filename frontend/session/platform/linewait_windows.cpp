// Windows: a high-resolution waitable timer for the pauses (Windows 10 1803 and later; where
// the system has none the pause is left to the caller's spin, as before). The wait for the
// line is WaitCommEvent on the port's handle, found among this process's handles.
#include "../linewait.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace linewait {

namespace {

HANDLE Timer()
{
    thread_local HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    return timer;
}

// Handles are small multiples of four, the lowest free one given out first: past these no
// process of ours has one.
constexpr uintptr_t kHandlesLookedAt = 0x10000;
// How long a wait that is over may take to be called off before the port's driver is taken
// for one that cannot call it off (its waits then end by themselves, or not at all).
constexpr DWORD kCancelMs = 50;
// Waits that end with no event before the port is taken for one that gives none.
constexpr int kEmptyEndsTaken = 3;

// Without a wait on the port: a millisecond at a time, so a byte is seen within one.
bool Nap(int32_t ms)
{
    SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 1 ? 0 : 1));
    return false;
}

// The library opens its port for blocking input and output, so WaitCommEvent blocks the
// thread that calls it, and every other call on that handle waits behind it. It runs on a
// thread of its own, and a wait whose time is up is called off (CancelSynchronousIo) before
// the session touches the port again.
class LineWatch {
public:
    static LineWatch &Get()
    {
        static LineWatch watch;
        return watch;
    }

    // True when a received byte ended the wait.
    bool Wait(HANDLE port, DWORD ms)
    {
        if (!thread_ || port == nappingPort_)
            return Nap(static_cast<int32_t>(ms));
        port_ = port;
        SetEvent(go_);
        HANDLE ends[2] = {done_, wake_};
        if (WaitForMultipleObjects(2, ends, FALSE, ms) != WAIT_OBJECT_0 && !CallOff())
            return NapFromNowOn();
        if (succeeded_ && events_ != 0)
            return (events_ & EV_RXCHAR) != 0;
        // Windows ends a wait on nothing only when the mask changes, which nobody does here. A
        // driver whose waits end so, or fail, gives no events to wait on (wine polls for them,
        // waking late).
        if ((!succeeded_ && error_ != ERROR_OPERATION_ABORTED) || ++emptyEnds_ >= kEmptyEndsTaken)
            NapFromNowOn();
        return false;
    }

    void Wake() const
    {
        if (wake_)
            SetEvent(wake_);
    }

private:
    LineWatch()
        : go_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
    {
        if (go_ && done_ && wake_)
            thread_ = CreateThread(nullptr, 0, &LineWatch::Run, this, 0, nullptr);
    }

    // The thread lives as long as the process: it sleeps on `go_` between waits.
    static DWORD WINAPI Run(void *self)
    {
        auto *watch = static_cast<LineWatch *>(self);
        for (;;) {
            WaitForSingleObject(watch->go_, INFINITE);
            watch->events_ = 0;
            watch->succeeded_ = WaitCommEvent(watch->port_, &watch->events_, nullptr);
            watch->error_ = watch->succeeded_ ? 0 : GetLastError();
            SetEvent(watch->done_);
        }
    }

    // False when the driver would not call the wait off in time: it has ended since.
    bool CallOff()
    {
        const ULONGLONG until = GetTickCount64() + kCancelMs;
        while (WaitForSingleObject(done_, 0) == WAIT_TIMEOUT) {
            // Fails while the thread has not yet reached WaitCommEvent: it is tried again.
            CancelSynchronousIo(thread_);
            if (WaitForSingleObject(done_, 1) == WAIT_OBJECT_0)
                return true;
            if (GetTickCount64() >= until) {
                WaitForSingleObject(done_, INFINITE);
                return false;
            }
        }
        return true;
    }

    // The rest of this port's waits are naps: an event wait would hold the session too long.
    bool NapFromNowOn()
    {
        nappingPort_ = port_;
        emptyEnds_ = 0;
        return false;
    }

    HANDLE go_ = nullptr;
    HANDLE done_ = nullptr;
    HANDLE wake_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE port_ = nullptr;
    HANDLE nappingPort_ = nullptr;
    int emptyEnds_ = 0;
    DWORD events_ = 0;
    DWORD error_ = 0;
    BOOL succeeded_ = FALSE;
};

bool IsCommPort(HANDLE handle)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    return GetFileType(handle) == FILE_TYPE_CHAR && GetCommState(handle, &dcb);
}

}  // namespace

void SleepUntil(std::chrono::steady_clock::time_point until)
{
    const auto left = until - std::chrono::steady_clock::now();
    const HANDLE timer = Timer();
    if (!timer || left <= left.zero())
        return;
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(std::chrono::duration_cast<std::chrono::nanoseconds>(left).count() / 100);
    if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(timer, INFINITE);
}

int FindDescriptor(const std::string &)
{
    // The library's handle carries no name to compare: the port is the one serial device this
    // process holds open, and with two there is none to choose.
    // Where the system tells how many handles there are, the look ends after the last.
    DWORD handles = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &handles))
        handles = 0;
    DWORD seen = 0;
    HANDLE found = nullptr;
    for (uintptr_t value = 4; value < kHandlesLookedAt && (handles == 0 || seen < handles); value += 4) {
        const auto handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (handles != 0 && GetHandleInformation(handle, &flags))
            ++seen;
        if (!IsCommPort(handle))
            continue;
        if (found)
            return -1;
        found = handle;
    }
    // The mask stays on the port until it closes; the library itself never waits on events.
    if (!found || !SetCommMask(found, EV_RXCHAR))
        return -1;
    return static_cast<int>(reinterpret_cast<uintptr_t>(found));
}

bool Wait(int line, int32_t ms)
{
    if (line < 0)
        return Nap(ms);
    if (ms <= 0)
        return false;
    return LineWatch::Get().Wait(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(line)), static_cast<DWORD>(ms));
}

bool Watchable()
{
    return false;
}

void WakeWait()
{
    LineWatch::Get().Wake();
}

}  // namespace linewait
