// How one port's bytes move, and what a caller waits on for them. Windows: the port is opened
// for overlapped I/O, each byte's transfer still waits for its end (the time-outs hold as for
// a blocking handle), and an event of the port's own is armed for received characters. The
// termios layer: plain transfers, and its descriptor to wait on.
#pragma once

#include <cstdint>

#include "winserial.h"

namespace zmhw {

class PortIo {
public:
    PortIo() = default;
    ~PortIo();
    PortIo(const PortIo &) = delete;
    PortIo &operator=(const PortIo &) = delete;

    // What CreateFileA is given as flags and attributes.
    static DWORD OpenFlags();
    // After the open: readies the waits. False, with the platform's error, when it cannot.
    bool Attach(HANDLE port);
    // Before the close: ends a wait under way.
    void Detach();

    BOOL Read(BYTE &value, DWORD &count);
    BOOL Write(BYTE value, DWORD &count);

    // The receive queue was found empty: a byte that arrives from now on signals Waitable().
    void Rearm();
    // The descriptor or event a caller waits on.
    intptr_t Waitable();

private:
    HANDLE port_ = nullptr;
#if defined(_WIN32)
    HANDLE transfer_ = nullptr;  // each Read's and Write's completion
    HANDLE received_ = nullptr;  // what callers wait on
    OVERLAPPED watch_{};
    DWORD events_ = 0;
    bool watching_ = false;
#endif
};

}  // namespace zmhw
