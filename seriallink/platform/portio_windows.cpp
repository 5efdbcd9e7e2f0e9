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

bool PortIo::Attach(HANDLE port, const COMMTIMEOUTS &timeouts)
{
    port_ = port;
    timeouts_ = timeouts;
    reading_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    writing_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    received_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (reading_ && writing_ && received_) {
        // A driver that refuses the read ahead is known from the start: then there is nothing
        // to wait on (see Waitable), and reads go to the port alone.
        if (!Rearm())
            refused_ = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
        return true;
    }
    const DWORD error = GetLastError();
    Detach();
    SetLastError(error);
    return false;
}

void PortIo::Detach()
{
    if (pending_) {
        // The record and the byte must outlive the read.
        CancelIoEx(port_, &ahead_);
        DWORD ignored = 0;
        GetOverlappedResult(port_, &ahead_, &ignored, TRUE);
        pending_ = false;
    }
    held_ = false;
    for (HANDLE *event : {&reading_, &writing_, &received_}) {
        if (*event)
            CloseHandle(*event);
        *event = nullptr;
    }
    port_ = nullptr;
}

// Takes in the read ahead once it has ended. False, with its error, when it failed.
bool PortIo::Collect()
{
    if (!pending_ || !HasOverlappedIoCompleted(&ahead_))
        return true;
    pending_ = false;
    DWORD count = 0;
    if (GetOverlappedResult(port_, &ahead_, &count, FALSE)) {
        held_ = count == 1;
        return true;
    }
    return GetLastError() == ERROR_OPERATION_ABORTED;
}

BOOL PortIo::Read(BYTE &value, DWORD &count)
{
    count = 0;
    if (pending_) {
        // The byte, when it comes, comes to the read ahead: wait for it as long as the read
        // time-out would.
        const DWORD limit = timeouts_.ReadTotalTimeoutConstant + timeouts_.ReadTotalTimeoutMultiplier;
        const DWORD waited = WaitForSingleObject(received_, limit);
        if (waited == WAIT_TIMEOUT)
            return TRUE;
        if (waited != WAIT_OBJECT_0 || !Collect())
            return FALSE;
        if (pending_)
            return TRUE;
    }
    if (held_) {
        value = aheadByte_;
        held_ = false;
        count = 1;
        return TRUE;
    }
    OVERLAPPED done{};
    done.hEvent = reading_;
    return Finish(port_, ReadFile(port_, &value, 1, nullptr, &done), done, count);
}

BOOL PortIo::Write(BYTE value, DWORD &count)
{
    OVERLAPPED done{};
    done.hEvent = writing_;
    count = 0;
    return Finish(port_, WriteFile(port_, &value, 1, nullptr, &done), done, count);
}

BOOL PortIo::Ahead(DWORD &count)
{
    count = 0;
    if (!Collect())
        return FALSE;
    count = held_ ? 1 : 0;
    return TRUE;
}

BOOL PortIo::Drop()
{
    const bool collected = Collect();
    held_ = false;
    return collected;
}

// The read ahead is given no time-out, so that it ends only with a byte or a failure: a read
// that ended empty every 251 ms would wake every waiter for nothing. The port's own time-outs
// are back before anything else can read.
bool PortIo::Rearm()
{
    if (!received_ || refused_ || pending_ || held_)
        return true;
    ResetEvent(received_);
    ahead_ = OVERLAPPED{};
    ahead_.hEvent = received_;
    COMMTIMEOUTS untimed = timeouts_;
    untimed.ReadIntervalTimeout = 0;
    untimed.ReadTotalTimeoutMultiplier = 0;
    untimed.ReadTotalTimeoutConstant = 0;
    DWORD error = ERROR_SUCCESS;
    if (!SetCommTimeouts(port_, &untimed))
        error = GetLastError();
    else if (ReadFile(port_, &aheadByte_, 1, nullptr, &ahead_) || GetLastError() == ERROR_IO_PENDING)
        pending_ = true;
    else
        error = GetLastError();
    if (!SetCommTimeouts(port_, &timeouts_) && error == ERROR_SUCCESS)
        error = GetLastError();
    if (error == ERROR_SUCCESS)
        return true;
    // A waiter learns of the failure from its next count.
    if (!pending_)
        SetEvent(received_);
    SetLastError(error);
    return false;
}

bool PortIo::Waitable(intptr_t &line)
{
    if (refused_) {
        SetLastError(refused_);
        return false;
    }
    line = reinterpret_cast<intptr_t>(received_);
    return Rearm();
}

}  // namespace zmhw

#endif
