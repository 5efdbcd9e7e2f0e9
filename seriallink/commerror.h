// The one failure type inside the library: which step failed, the platform's error number and
// the system's own code behind it (errno on POSIX, where the Windows number says less).
#pragma once

#include <cstdint>

#include "platform/system_error.h"
#include "platform/winserial.h"

// Failure kinds, by the step that failed. There is no kind 2 and no kind 13.
enum CommErrorKind : uint8_t {
    kCommBaudRate = 1,      // SetBaudRate refused on an open port
    kCommStopBits = 3,      // SetStopBits refused on an open port
    kCommParity = 4,        // SetParity refused on an open port
    kCommByteSize = 5,      // SetByteSize refused on an open port
    kCommNameWhileOpen = 6, // SetPortName on an open port
    kCommNotOpen = 7,       // CheckOpen
    kCommCreateFile = 8,    // OpenPort: CreateFileA
    kCommWrite = 9,         // WriteByte
    kCommRead = 10,         // ReadByte
    kCommClose = 11,        // ClosePort: CloseHandle
    kCommPurge = 12,        // PurgeInput: PurgeComm
    kCommGetState = 14,     // OpenPort: GetCommState
    kCommSetState = 15,     // OpenPort: SetCommState
    kCommSetup = 16,        // OpenPort: SetupComm
    kCommTimeouts = 17,     // OpenPort: SetCommTimeouts
    kCommQueues = 18,       // BytesToRead, BytesToWrite: ClearCommError
    kCommHandshaking = 19,  // SetHandshaking refused on an open port
};

class ECommError {
public:
    // Takes the platform's last error now, before a clean-up step can change it.
    explicit ECommError(uint8_t kind)
        : kind_(kind), platformError_(GetLastError()), systemError_(zmhw::SystemError())
    {
    }
    ECommError(uint8_t kind, uint32_t platformError)
        : kind_(kind), platformError_(platformError), systemError_(zmhw::SystemErrorFor(platformError))
    {
    }

    uint8_t Kind() const { return kind_; }
    uint32_t PlatformError() const { return platformError_; }
    int32_t SystemError() const { return systemError_; }

private:
    uint8_t kind_;
    uint32_t platformError_;
    int32_t systemError_;
};
