// Windows: a high-resolution waitable timer for the pauses (Windows 10 1803 and later; where
// the system has none the pause is left to the caller's spin, as before); the port's handle
// stays inside the library, so a wait for the line is a short sleep that the caller repeats.
#include "../linewait.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

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
    return -1;
}

bool Wait(int, int32_t ms)
{
    // Without the port's handle: a millisecond at a time, so a byte is seen within one.
    SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 1 ? 0 : 1));
    return false;
}

}  // namespace linewait
