// One open serial device of the termios layer: what a HANDLE points to.
#pragma once

#if !defined(_WIN32)

#include <array>
#include <chrono>
#include <string>

#include "winserial.h"

namespace zmhw {

struct SerialDevice {
    int fd = -1;
    bool exclusive = false;       // holds the flock and TIOCEXCL
    bool pseudoTerminal = false;  // no framing, no modem lines, no send queue
    bool modemLines = false;
    bool waitForDsr = false;
    DCB dcb{};                    // as last applied
    COMMTIMEOUTS timeouts{};
    DWORD inQueue = 0;            // SetupComm's sizes: termios has no place for them
    DWORD outQueue = 0;
    // Bytes already taken from the driver and not yet read: one read() serves many ReadFile calls.
    std::array<BYTE, 4096> rx{};
    size_t rxPos = 0;
    size_t rxEnd = 0;
};

// The path that a name such as "COM3" stands for (see DeviceOfPort): $ZMHW_COM3 when set and
// not empty, else the program's own choice, else /dev/ttyS2; "\\.\COM3" likewise. Empty for
// any other name.
std::string ResolveComName(const char *name);

// The device behind a handle, or null (with ERROR_INVALID_HANDLE) for none.
SerialDevice *Device(HANDLE handle);
// The same, and null (with ERROR_INVALID_PARAMETER) when the call's record is missing.
SerialDevice *Device(HANDLE handle, const void *record);

DWORD WindowsError(int errnoValue);
// Records `error` for GetLastError, and the errno behind it for SystemError (one that
// stands for `error` when none is given), and returns FALSE, for `return Fail(...)`.
BOOL Fail(DWORD error);
BOOL Fail(DWORD error, int errnoValue);
BOOL FailErrno();

// A point in time from which poll() time-outs are counted; a zero span never expires.
class PollDeadline {
public:
    explicit PollDeadline(uint64_t ms = 0);
    void Restart(uint64_t ms);
    bool Infinite() const { return infinite_; }
    // Milliseconds left, rounded up, for poll(); -1 when there is no limit.
    int RemainingMs() const;

private:
    std::chrono::steady_clock::time_point end_;
    bool infinite_ = true;
};

// Waits for `events` on the device. 1 ready, 0 time-out or interrupted, -1 failure
// (the device hung up or went away; GetLastError tells).
int WaitFor(const SerialDevice &device, short events, int timeoutMs);

}  // namespace zmhw

#endif
