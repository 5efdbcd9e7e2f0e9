// How one port's bytes move, and what a caller waits on for them. Windows: the port is opened
// for overlapped I/O; each read and write waits for its own end (the time-outs hold as for a
// blocking handle), and while the receive queue is empty one read of a byte is kept pending,
// so that its event, what callers wait on, is set only by a byte that came or a line that
// failed. The termios layer: plain transfers (it reads ahead itself), and its descriptor.
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
    // After the open, with the time-outs set: readies the waits. False, with the platform's
    // error, when it cannot.
    bool Attach(HANDLE port, const COMMTIMEOUTS &timeouts);
    // Before the close: ends a read under way.
    void Detach();

    // The byte read ahead first, then the port's own.
    BOOL Read(BYTE &value, DWORD &count);
    BOOL Write(BYTE value, DWORD &count);

    // How many bytes are held read ahead beside the driver's queue; FALSE, with the platform's
    // error, when the read ahead failed (the line is gone).
    BOOL Ahead(DWORD &count);
    // Forgets the byte read ahead (the input was discarded).
    BOOL Drop();
    // The receive queue was found empty: a byte that arrives from now on signals the waitable.
    // False, with the platform's error, when the line failed.
    bool Rearm();
    // The descriptor or event a caller waits on; false, with the platform's error, when the
    // driver gives nothing to wait on.
    bool Waitable(intptr_t &line);

private:
    HANDLE port_ = nullptr;
#if defined(_WIN32)
    bool Collect();

    COMMTIMEOUTS timeouts_{};
    HANDLE reading_ = nullptr;   // a Read's completion
    HANDLE writing_ = nullptr;   // a Write's completion
    HANDLE received_ = nullptr;  // the read ahead's completion: what callers wait on
    OVERLAPPED ahead_{};
    BYTE aheadByte_ = 0;
    bool pending_ = false;       // the read ahead is under way
    bool held_ = false;          // aheadByte_ came and is not yet read
    DWORD refused_ = 0;          // the driver's error for a read ahead it would not take
#endif
};

}  // namespace zmhw
