// Windows: a high-resolution waitable timer for the pauses (Windows 10 1803 and later; where
// the system has none the pause is left to the caller's spin, as before). The wait for the
// line is on the event that the serial library sets for a received byte (zmhwLINE).
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

// Set by WakeWait from the console's control handler thread.
HANDLE Wake()
{
    static const HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return wake;
}

// Without a line: a millisecond at a time, so that a byte is seen within one.
bool Nap(int32_t ms)
{
    SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 1 ? 0 : 1));
    return false;
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

// The library's event is set only by a byte or a failed line. Without one (no port, or a driver
// that takes no read ahead) the line is looked at every millisecond.
bool Wait(int line, int32_t ms)
{
    if (line < 0)
        return Nap(ms);
    const HANDLE ends[2] = {reinterpret_cast<HANDLE>(static_cast<intptr_t>(line)), Wake()};
    return WaitForMultipleObjects(ends[1] ? 2 : 1, ends, FALSE, ms < 0 ? 0 : static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

bool Watchable()
{
    return false;
}

void WakeWait()
{
    if (Wake())
        SetEvent(Wake());
}

}  // namespace linewait
