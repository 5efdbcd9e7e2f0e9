// Sleeping precisely, and sleeping until the line has a byte: the session's only platform
// calls, in platform/linewait_posix.cpp and platform/linewait_windows.cpp.
//
// The serial library exports exactly its eight calls, none of which hands out something to
// wait on. The session does not need one: the library holds the device open in this very
// process, so the session finds that descriptor itself, from the device path it already
// knows (see PortDevicePath), by comparing device numbers. It only ever waits on it (poll does
// not take a byte); every byte still goes through the library. The library may hold bytes
// read ahead, so a wait comes only after zmhwRXQ said that nothing is waiting.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace linewait {

// Sleeps until about `until`, never past it by more than the platform's timer slack; may
// end early (the caller finishes the pause). Windows: a high-resolution waitable timer where
// the system has one, else nothing (the caller's spin does the pause).
void SleepUntil(std::chrono::steady_clock::time_point until);

// The descriptor under which this process holds `devicePath` open, or -1. Windows: the handle
// of the one serial port this process holds open (none when it holds two), readied for waits.
int FindDescriptor(const std::string &devicePath);

// Waits at most `ms` until `line` (a descriptor from FindDescriptor, -1 for none) is readable
// or hung up, or a signal comes (Windows: WakeWait is called). True when the line woke it.
bool Wait(int line, int32_t ms);

// Whether an event loop can watch a line from FindDescriptor: a POSIX descriptor can, Windows'
// port handle cannot, and is waited on with Wait.
bool Watchable();

// Ends a Wait under way, from another thread: Windows' console control handler. On POSIX the
// signal itself ends it, and this does nothing.
void WakeWait();

}  // namespace linewait
