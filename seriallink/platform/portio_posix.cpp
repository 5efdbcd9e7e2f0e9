#if !defined(_WIN32)

#include "portio.h"

#include "posix_device.h"

namespace zmhw {

PortIo::~PortIo() = default;

DWORD PortIo::OpenFlags()
{
    return 0;
}

bool PortIo::Attach(HANDLE port, const COMMTIMEOUTS &)
{
    port_ = port;
    return true;
}

void PortIo::Detach()
{
    port_ = nullptr;
}

BOOL PortIo::Read(BYTE &value, DWORD &count)
{
    return ReadFile(port_, &value, 1, &count, nullptr);
}

BOOL PortIo::Write(BYTE value, DWORD &count)
{
    return WriteFile(port_, &value, 1, &count, nullptr);
}

// The termios layer's own read-ahead is in the receive queue's count.
BOOL PortIo::Ahead(DWORD &count)
{
    count = 0;
    return TRUE;
}

BOOL PortIo::Drop()
{
    return TRUE;
}

// poll() tells of every byte the driver holds; the bytes read ahead are counted by the
// receive queue, which the caller asks before waiting.
bool PortIo::Rearm()
{
    return true;
}

bool PortIo::Waitable(intptr_t &line)
{
    const SerialDevice *device = Device(port_);
    line = device ? device->fd : -1;
    return true;
}

}  // namespace zmhw

#endif
