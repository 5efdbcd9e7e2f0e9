// The pure translation between a device-control block and a Linux termios line.
#pragma once

#if !defined(_WIN32)

#include <asm/termbits.h>

#include "winserial.h"

namespace zmhw {

// What one device-control block asks of the line.
struct LineRequest {
    termios2 tio{};
    bool waitForDsr = false;  // termios has no DSR flow control: the writer waits for it
    int dtr = 0;              // +1 raise, -1 drop
    int rts = 0;              // +1 raise, -1 drop, 0 left to the driver (RTS/CTS)
};

// The rate in bits per second that the line's speed fields describe; 0 when unknown.
uint32_t LineRate(const termios2 &tio);

// Starts from `current` and makes it the raw line that `dcb` describes. False, with a
// Windows error number in `error`, when the block asks for what no line can do.
bool DcbToTermios(const DCB &dcb, const termios2 &current, LineRequest &out, DWORD &error);

// The block for the line `tio`, as DcbToTermios would leave it (raw, no XON/XOFF).
DCB DcbFromTermios(const termios2 &tio);

// Whether the device kept rate, framing and RTS/CTS as asked. A pseudo-terminal has no
// framing and always reports 8 data bits without parity, so those are not compared there.
bool LineMatches(const termios2 &want, const termios2 &got, bool pseudoTerminal);

}  // namespace zmhw

#endif
