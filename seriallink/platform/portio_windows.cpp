#if defined(_WIN32)

#include "portio.h"

#include <initializer_list>

namespace zmhw {

namespace {

// Starts an overlapped transfer and waits for its end: the port's time-outs end it as they
// end a blocking one.
BOOL Finish(HANDLE port, BOOL started, OVERLAPPED &done, DWORD &count)
{
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return FALSE;
    return GetOverlappedResult(port, &done, &count, TRUE);
}

}  // namespace

PortIo::~PortIo()
{
    Detach();
}

DWORD PortIo::OpenFlags()
{
    return FILE_FLAG_OVERLAPPED;
}

bool PortIo::Attach(HANDLE port)
{
    port_ = port;
    transfer_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    received_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (transfer_ && received_ && SetCommMask(port_, EV_RXCHAR))
        return true;
    const DWORD error = GetLastError();
    Detach();
    SetLastError(error);
    return false;
}

void PortIo::Detach()
{
    if (watching_) {
        // A changed mask ends the wait; the record must outlive it.
        SetCommMask(port_, 0);
        CancelIoEx(port_, &watch_);
        DWORD ignored = 0;
        GetOverlappedResult(port_, &watch_, &ignored, TRUE);
        watching_ = false;
    }
    for (HANDLE *event : {&transfer_, &received_}) {
        if (*event)
            CloseHandle(*event);
        *event = nullptr;
    }
    port_ = nullptr;
}

BOOL PortIo::Read(BYTE &value, DWORD &count)
{
    OVERLAPPED done{};
    done.hEvent = transfer_;
    count = 0;
    return Finish(port_, ReadFile(port_, &value, 1, nullptr, &done), done, count);
}

BOOL PortIo::Write(BYTE value, DWORD &count)
{
    OVERLAPPED done{};
    done.hEvent = transfer_;
    count = 0;
    return Finish(port_, WriteFile(port_, &value, 1, nullptr, &done), done, count);
}

void PortIo::Rearm()
{
    if (!received_)
        return;
    if (watching_) {
        if (!HasOverlappedIoCompleted(&watch_))
            return;  // still waiting: a byte sets the event
        DWORD ignored = 0;
        GetOverlappedResult(port_, &watch_, &ignored, FALSE);
        watching_ = false;
    }
    // The driver remembers a character that came while no wait was under way, so one that
    // came since the queue was counted ends this wait at once.
    ResetEvent(received_);
    watch_ = OVERLAPPED{};
    watch_.hEvent = received_;
    events_ = 0;
    if (WaitCommEvent(port_, &events_, &watch_))
        SetEvent(received_);
    else if (GetLastError() == ERROR_IO_PENDING)
        watching_ = true;
    // Otherwise the driver gives no events: waits last their time, and a byte waits for it.
}

intptr_t PortIo::Waitable()
{
    Rearm();
    return reinterpret_cast<intptr_t>(received_);
}

}  // namespace zmhw

#endif
