#if !defined(_WIN32)

#include <sys/ioctl.h>

#include "linemap.h"
#include "posix_device.h"

using namespace zmhw;

namespace {

// DTR and RTS exist only where the device has modem lines; a pseudo-terminal has none.
void SetLine(const SerialDevice &d, int bit, int want)
{
    if (!d.modemLines || want == 0)
        return;
    ioctl(d.fd, want > 0 ? TIOCMBIS : TIOCMBIC, &bit);
}

}  // namespace

BOOL WINAPI GetCommState(HANDLE handle, DCB *dcb)
{
    SerialDevice *d = Device(handle, dcb);
    termios2 tio{};
    if (!d)
        return FALSE;
    if (ioctl(d->fd, TCGETS2, &tio) != 0)
        return FailErrno();
    *dcb = d->dcb;
    return TRUE;
}

BOOL WINAPI SetCommState(HANDLE handle, DCB *dcb)
{
    SerialDevice *d = Device(handle, dcb);
    termios2 before{}, after{};
    if (!d)
        return FALSE;
    if (ioctl(d->fd, TCGETS2, &before) != 0)
        return FailErrno();
    LineRequest request;
    DWORD error = ERROR_SUCCESS;
    if (!DcbToTermios(*dcb, before, request, error))
        return Fail(error);
    if (ioctl(d->fd, TCSETS2, &request.tio) != 0)
        return FailErrno();
    // The driver may drop part of a request and still succeed: check what it kept.
    if (ioctl(d->fd, TCGETS2, &after) != 0)
        return FailErrno();
    if (!LineMatches(request.tio, after, d->pseudoTerminal)) {
        ioctl(d->fd, TCSETS2, &before);
        return Fail(ERROR_INVALID_PARAMETER);
    }
    SetLine(*d, TIOCM_DTR, request.dtr);
    SetLine(*d, TIOCM_RTS, request.rts);
    d->dcb = *dcb;
    d->waitForDsr = request.waitForDsr;
    return TRUE;
}

BOOL WINAPI SetupComm(HANDLE handle, DWORD inQueue, DWORD outQueue)
{
    SerialDevice *d = Device(handle);
    if (d) {
        d->inQueue = inQueue;
        d->outQueue = outQueue;
    }
    return d != nullptr;
}

BOOL WINAPI SetCommTimeouts(HANDLE handle, COMMTIMEOUTS *timeouts)
{
    SerialDevice *d = Device(handle, timeouts);
    if (d)
        d->timeouts = *timeouts;
    return d != nullptr;
}

#endif
