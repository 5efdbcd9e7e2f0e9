// Read-backs that only the tests ask for: built into the test library, not the shipped one.
#if !defined(_WIN32)

#include <cstring>

#include "posix_device.h"

using namespace zmhw;

BOOL WINAPI GetCommTimeouts(HANDLE handle, COMMTIMEOUTS *timeouts)
{
    const SerialDevice *d = Device(handle, timeouts);
    if (d)
        *timeouts = d->timeouts;
    return d != nullptr;
}

BOOL WINAPI GetCommProperties(HANDLE handle, COMMPROP *properties)
{
    const SerialDevice *d = Device(handle, properties);
    if (!d)
        return FALSE;
    std::memset(properties, 0, sizeof *properties);
    properties->wPacketLength = sizeof *properties;
    properties->dwCurrentRxQueue = d->inQueue;
    properties->dwCurrentTxQueue = d->outQueue;
    return TRUE;
}

#endif
