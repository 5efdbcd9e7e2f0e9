// The one failure type inside the library: which step failed and the platform's error number.
#pragma once

#include <cstdint>

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
    explicit ECommError(uint8_t kind) : kind_(kind), platformError_(GetLastError()) {}
    ECommError(uint8_t kind, uint32_t platformError) : kind_(kind), platformError_(platformError) {}

    uint8_t Kind() const { return kind_; }
    uint32_t PlatformError() const { return platformError_; }

private:
    uint8_t kind_;
    uint32_t platformError_;
};
