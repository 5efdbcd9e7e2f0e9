// The system's own error numbers behind the layer's failures, the device a port name stands
// for, and the map of port numbers to devices: what the exports tell a caller.
#pragma once

#include <cstdint>
#include <string>

#include "winserial.h"

namespace zmhw {

// The system's error code behind the last failure of this layer on this thread: errno on
// POSIX (the termios layer keeps it beside its Windows number), GetLastError on Windows.
int32_t SystemError();
// The system's code for a Windows error number the library sets itself (a time-out).
int32_t SystemErrorFor(DWORD windowsError);
// The system's words for `error`, without a trailing full stop or line end.
std::string SystemErrorText(int32_t error);
// Whether the open failed because another program holds the device.
bool MeansInUse(int32_t error);

enum PortOrigin : int32_t { kBuiltIn = 0, kFromEnvironment = 1, kFromMap = 2 };

struct PortDevice {
    std::string device;  // empty: the name stands for no device
    int32_t origin = kBuiltIn;
};

// The device a port name ("COM3", "\\.\COM3") stands for, and where that came from.
PortDevice DeviceOfPort(const std::string &name);
// The lowest port number above `after` whose name stands for `device` (the same text, or on
// POSIX a path to the same file), with where that came from in `origin`; with no device, the
// lowest above `after` that the environment or the program's map gives a device. 0 for none.
int32_t PortNumberOf(const char *device, int32_t after, int32_t &origin);
// The program's own device for port `number`; an empty one takes it back. False where the
// platform has no map, or for a number below 1.
bool MapPort(int32_t number, const std::string &device);

}  // namespace zmhw
