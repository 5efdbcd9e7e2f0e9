#if !defined(_WIN32)

#include "portio.h"

#include "posix_device.h"

namespace zmhw {

PortIo::~PortIo() = default;

DWORD PortIo::OpenFlags()
{
    return 0;
}

bool PortIo::Attach(HANDLE port)
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

// poll() tells of every byte the driver holds; the bytes read ahead are counted by the
// receive queue, which the caller asks before waiting.
void PortIo::Rearm()
{
}

intptr_t PortIo::Waitable()
{
    const SerialDevice *device = Device(port_);
    return device ? device->fd : -1;
}

}  // namespace zmhw

#endif
