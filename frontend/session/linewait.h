// Sleeping precisely, and sleeping until the line has a byte: the session's only platform
// calls, in platform/linewait_posix.cpp and platform/linewait_windows.cpp.
//
// What to wait on comes from the serial library (zmhwLINE): the port's descriptor, or on
// Windows an event the library sets for a received byte. The session only ever waits on it;
// every byte still goes through the library. A wait is valid only after zmhwRXQ said that
// nothing is waiting (the library may hold bytes read ahead, and that call arms the wait).
// Where zmhwLINE gives nothing, the line is -1 and the waits look at it on a timer.
#pragma once

#include <chrono>
#include <cstdint>

namespace linewait {

// Sleeps until about `until`, never past it by more than the platform's timer slack; may
// end early (the caller finishes the pause). Windows: a high-resolution waitable timer where
// the system has one, else nothing (the caller's spin does the pause).
void SleepUntil(std::chrono::steady_clock::time_point until);

// Waits at most `ms` until `line` (from zmhwLINE, -1 for none) is readable or hung up, or a
// signal comes (Windows: WakeWait is called). True when the line woke it.
bool Wait(int line, int32_t ms);

// Whether an event loop can watch a line from zmhwLINE: a POSIX descriptor can, Windows' event
// is waited on with Wait.
bool Watchable();

// Ends a Wait under way, from another thread: Windows' console control handler. On POSIX the
// signal itself ends it, and this does nothing.
void WakeWait();

}  // namespace linewait
