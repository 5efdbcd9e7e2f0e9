// Windows: the system's error numbers are GetLastError's, and a port name is the system's own.
#if defined(_WIN32)

#include <cstdlib>
#include <cstring>

#include "system_error.h"

namespace zmhw {

int32_t SystemError()
{
    return static_cast<int32_t>(GetLastError());
}

int32_t SystemErrorFor(DWORD windowsError)
{
    return static_cast<int32_t>(windowsError);
}

std::string SystemErrorText(int32_t error)
{
    char text[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    std::string said(text, n);
    while (!said.empty() && std::strchr("\r\n. ", said.back()))
        said.pop_back();
    return said.empty() ? "system error" : said;
}

bool MeansInUse(int32_t error)
{
    // A COM port open elsewhere is refused as access denied.
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

PortDevice DeviceOfPort(const std::string &name)
{
    const std::string bare = name.compare(0, 4, "\\\\.\\") == 0 ? name.substr(4) : name;
    if (bare.size() < 4 || bare.compare(0, 3, "COM") != 0 || std::atoi(bare.c_str() + 3) <= 0)
        return {};
    return {bare, kBuiltIn};
}

int32_t PortNumberOf(const char *device, int32_t after, int32_t &origin)
{
    const PortDevice found = DeviceOfPort(device ? device : "");
    const int32_t number = found.device.empty() ? 0 : std::atoi(found.device.c_str() + 3);
    origin = kBuiltIn;
    return number > after && found.device == "COM" + std::to_string(number) ? number : 0;
}

bool MapPort(int32_t, const std::string &)
{
    return false;
}

}  // namespace zmhw

#endif
