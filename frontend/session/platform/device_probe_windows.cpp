#include "device_probe.h"

#include <windows.h>

std::string DeviceProblem(const std::string &device, int)
{
    const HANDLE handle = CreateFileA(("\\\\.\\" + device).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return {};
    }
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
        return "No such device";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return "in use by another program";
    default:
        return "cannot be opened (error " + std::to_string(GetLastError()) + ")";
    }
}
