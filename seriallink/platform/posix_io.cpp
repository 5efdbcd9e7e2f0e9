#if !defined(_WIN32)

#include <algorithm>
#include <asm/termbits.h>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include "posix_device.h"

using namespace zmhw;

namespace {

DWORD TakeBuffered(SerialDevice &d, BYTE *out, DWORD wanted)
{
    const size_t n = std::min<size_t>(wanted, d.rxEnd - d.rxPos);
    std::memcpy(out, d.rx.data() + d.rxPos, n);
    d.rxPos += n;
    return static_cast<DWORD>(n);
}

bool HungUp(const SerialDevice &d)
{
    pollfd p{d.fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

// Refills the empty receive buffer from the driver without waiting.
// 1 bytes came, 0 none waiting, -1 failure.
int Fill(SerialDevice &d)
{
    const ssize_t n = read(d.fd, d.rx.data(), d.rx.size());
    if (n > 0) {
        d.rxPos = 0;
        d.rxEnd = static_cast<size_t>(n);
        return 1;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    if (n < 0) {
        FailErrno();
        return -1;
    }
    // End of file on a terminal: it hung up, unless a line without VMIN simply had nothing.
    if (!HungUp(d))
        return 0;
    Fail(ERROR_DEVICE_NOT_CONNECTED);
    return -1;
}

// Whether DSR is up, waiting for it until the deadline. A device without modem lines
// (a pseudo-terminal) has no DSR to wait for: its peer is always ready, so it counts as up.
bool WaitForDsr(const SerialDevice &d, const PollDeadline &deadline)
{
    if (!d.modemLines)
        return true;
    for (;;) {
        int lines = 0;
        if (ioctl(d.fd, TIOCMGET, &lines) != 0 || (lines & TIOCM_DSR))
            return true;  // a failing query shows at the write
        const int left = deadline.RemainingMs();
        if (left == 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The device for a plain (not overlapped) transfer, with the caller's count cleared.
SerialDevice *TransferDevice(HANDLE handle, const void *buffer, DWORD size, LPDWORD count,
                             LPOVERLAPPED overlapped)
{
    SerialDevice *d = Device(handle);
    if (d && (overlapped || (!buffer && size))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (d && count)
        *count = 0;
    return d;
}

uint64_t TotalTimeout(DWORD multiplier, DWORD constant, DWORD bytes)
{
    return uint64_t{multiplier} * bytes + constant;
}

}  // namespace

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read,
                     LPOVERLAPPED overlapped)
{
    SerialDevice *d = TransferDevice(handle, buffer, toRead, read, overlapped);
    if (!d)
        return FALSE;
    const COMMTIMEOUTS &t = d->timeouts;
    // The platform's special cases: return what is there at once, or as soon as one byte came.
    const bool atOnce = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
                        t.ReadTotalTimeoutConstant == 0;
    const bool firstByte = t.ReadIntervalTimeout == MAXDWORD &&
                           t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                           t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD;
    const PollDeadline total(firstByte ? t.ReadTotalTimeoutConstant
                                   : TotalTimeout(t.ReadTotalTimeoutMultiplier,
                                                  t.ReadTotalTimeoutConstant, toRead));
    const bool useInterval = !atOnce && !firstByte && t.ReadIntervalTimeout != 0;
    PollDeadline interval;

    auto *out = static_cast<BYTE *>(buffer);
    DWORD count = 0;
    while (count < toRead) {
        const DWORD before = count;
        count += TakeBuffered(*d, out + count, toRead - count);
        if (count == toRead || (firstByte && count > 0))
            break;
        if (count > before && useInterval)
            interval.Restart(t.ReadIntervalTimeout);
        const int filled = Fill(*d);
        if (filled < 0)
            return FALSE;
        if (filled > 0)
            continue;
        if (atOnce)
            break;
        int wait = total.RemainingMs();
        if (count > 0 && useInterval) {
            const int gap = interval.RemainingMs();
            wait = wait < 0 ? gap : std::min(wait, gap);
        }
        if (wait == 0)
            break;  // time-out: success with what came
        if (WaitFor(*d, POLLIN, wait) < 0)
            return FALSE;
    }
    if (read)
        *read = count;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                      LPOVERLAPPED overlapped)
{
    SerialDevice *d = TransferDevice(handle, buffer, toWrite, written, overlapped);
    if (!d)
        return FALSE;
    const COMMTIMEOUTS &t = d->timeouts;
    const PollDeadline total(
        TotalTimeout(t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, toWrite));
    const auto *in = static_cast<const BYTE *>(buffer);
    DWORD count = 0;
    while (count < toWrite) {
        if (d->waitForDsr && !WaitForDsr(*d, total))
            break;
        const ssize_t n = write(d->fd, in + count, toWrite - count);
        if (n > 0) {
            count += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return FailErrno();
        const int wait = total.RemainingMs();
        if (wait == 0)
            break;  // time-out: success with what was taken
        if (WaitFor(*d, POLLOUT, wait) < 0)
            return FALSE;
    }
    if (written)
        *written = count;
    return TRUE;
}

BOOL WINAPI ClearCommError(HANDLE handle, LPDWORD errors, COMSTAT *stat)
{
    SerialDevice *d = Device(handle);
    if (!d)
        return FALSE;
    // With nothing read ahead, one read takes what the driver holds, and tells of a hang-up:
    // a quiet line, which callers ask about in every wait, and a byte that woke them, each
    // cost one call, and the byte is then taken from the buffer.
    const bool wasEmpty = d->rxPos == d->rxEnd;
    if (wasEmpty && Fill(*d) < 0) {
        if (HungUp(*d))
            Fail(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    const auto buffered = static_cast<DWORD>(d->rxEnd - d->rxPos);
    int waiting = 0, queued = 0;
    // Bytes read ahead before, or a full buffer, may have more behind them in the driver. Bytes
    // read ahead are reported before a failure of the driver (a hang-up): they came before it,
    // and the next look with the buffer empty fails.
    if (buffered > 0 && (!wasEmpty || buffered == d->rx.size()) && ioctl(d->fd, FIONREAD, &waiting) != 0)
        waiting = 0;
    // A pseudo-terminal passes every byte on at once and keeps no send queue.
    if (!d->pseudoTerminal && ioctl(d->fd, TIOCOUTQ, &queued) != 0)
        return FailErrno();
    const DWORD inQueue = static_cast<DWORD>(waiting) + buffered;
    // Line errors arrive in the data stream on this platform; there are no flags to clear.
    if (errors)
        *errors = 0;
    if (stat) {
        std::memset(stat, 0, sizeof *stat);
        stat->cbInQue = inQueue;
        stat->cbOutQue = static_cast<DWORD>(queued);
    }
    return TRUE;
}

BOOL WINAPI PurgeComm(HANDLE handle, DWORD flags)
{
    SerialDevice *d = Device(handle);
    if (!d)
        return FALSE;
    if (flags & ~DWORD{PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR})
        return Fail(ERROR_INVALID_PARAMETER);
    // Nothing runs in the background here, so the abort flags have nothing to stop.
    if (flags & PURGE_RXCLEAR) {
        d->rxPos = d->rxEnd = 0;
        if (ioctl(d->fd, TCFLSH, TCIFLUSH) != 0)
            return FailErrno();
    }
    if ((flags & PURGE_TXCLEAR) && ioctl(d->fd, TCFLSH, TCOFLUSH) != 0)
        return FailErrno();
    return TRUE;
}

#endif
