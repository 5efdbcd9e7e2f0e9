#if !defined(_WIN32)

#include "posix_device.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <poll.h>
#include <set>
#include <strings.h>
#include <sys/stat.h>

#include "system_error.h"

extern char **environ;

namespace {

// As on Windows, the last failure belongs to the thread that met it.
thread_local DWORD lastError = ERROR_SUCCESS;
// The errno behind it, which tells more (a lock refused from a permission refused).
thread_local int lastErrno = 0;

// The program's own devices for port numbers (zmhwMAP), shared by its threads.
std::mutex mapLock;
std::map<int32_t, std::string> &PortMap()
{
    static std::map<int32_t, std::string> map;
    return map;
}

// The port number in "COM<n>" or "\\.\COM<n>", or 0 for any other name.
int32_t PortNumber(const char *name)
{
    // The device namespace prefix names the same ports, as on Windows.
    if (name && std::strncmp(name, "\\\\.\\", 4) == 0)
        name += 4;
    if (!name || strncasecmp(name, "COM", 3) != 0)
        return 0;
    const std::string digits(name + 3);
    // Decimal without leading zeros, from 1 up: the names the library builds and no others.
    if (digits.empty() || digits.size() > 10 || digits[0] == '0' ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const unsigned long long number = std::strtoull(digits.c_str(), nullptr, 10);
    return number > INT_MAX ? 0 : static_cast<int32_t>(number);
}

}  // namespace

DWORD WINAPI GetLastError()
{
    return lastError;
}

void WINAPI SetLastError(DWORD error)
{
    lastError = error;
}

namespace zmhw {

std::string ResolveComName(const char *name)
{
    return name ? DeviceOfPort(name).device : std::string();
}

PortDevice DeviceOfPort(const std::string &name)
{
    const int32_t number = PortNumber(name.c_str());
    if (number <= 0)
        return {};
    const char *configured = std::getenv(("ZMHW_COM" + std::to_string(number)).c_str());
    if (configured && *configured)
        return {configured, kFromEnvironment};
    {
        const std::lock_guard<std::mutex> hold(mapLock);
        const auto entry = PortMap().find(number);
        if (entry != PortMap().end())
            return {entry->second, kFromMap};
    }
    return {"/dev/ttyS" + std::to_string(number - 1), kBuiltIn};
}

namespace {

const char kVariablePrefix[] = "ZMHW_COM";

// The port numbers that the environment or the program's map gives a device of their own.
std::set<int32_t> NumbersWithADevice()
{
    std::set<int32_t> numbers;
    const size_t prefix = sizeof kVariablePrefix - 1;
    for (char **variable = environ; variable && *variable; ++variable) {
        const std::string text = *variable;
        const size_t equals = text.find('=');
        if (equals == std::string::npos || equals + 1 == text.size() || text.compare(0, prefix, kVariablePrefix) != 0)
            continue;
        if (const int32_t number = PortNumber(("COM" + text.substr(prefix, equals - prefix)).c_str()))
            numbers.insert(number);
    }
    const std::lock_guard<std::mutex> hold(mapLock);
    for (const auto &entry : PortMap())
        numbers.insert(entry.first);
    return numbers;
}

// Two names of one device: the same text, or paths to the same file.
bool SameDevice(const std::string &a, const std::string &b)
{
    if (a == b)
        return true;
    struct stat x {}, y {};
    return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

}  // namespace

int32_t PortNumberOf(const char *device, int32_t after, int32_t &origin)
{
    std::set<int32_t> numbers = NumbersWithADevice();
    const std::string builtIn = "/dev/ttyS";
    const std::string path = device ? device : "";
    if (device && path.compare(0, builtIn.size(), builtIn) == 0)
        if (const int32_t number = PortNumber(("COM" + std::to_string(std::atoll(path.c_str() + builtIn.size()) + 1)).c_str()))
            if (path == builtIn + std::to_string(number - 1))
                numbers.insert(number);
    for (auto n = numbers.upper_bound(after); n != numbers.end(); ++n) {
        const PortDevice found = DeviceOfPort("COM" + std::to_string(*n));
        if (!device ? found.origin != kBuiltIn : SameDevice(found.device, path)) {
            origin = found.origin;
            return *n;
        }
    }
    return 0;
}

bool MapPort(int32_t number, const std::string &device)
{
    if (number <= 0)
        return false;
    const std::lock_guard<std::mutex> hold(mapLock);
    if (device.empty())
        PortMap().erase(number);
    else
        PortMap()[number] = device;
    return true;
}

int32_t SystemError()
{
    return lastErrno;
}

int32_t SystemErrorFor(DWORD windowsError)
{
    switch (windowsError) {
    case ERROR_SUCCESS: return 0;
    case ERROR_INVALID_FUNCTION: return ENOTTY;
    case ERROR_FILE_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_NOT_SUPPORTED: return ENOTSUP;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_DEVICE_NOT_CONNECTED: return ENXIO;
    case ERROR_TIMEOUT: return ETIMEDOUT;
    default: return EIO;
    }
}

std::string SystemErrorText(int32_t error)
{
    return std::strerror(error);
}

bool MeansInUse(int32_t error)
{
    return error == EWOULDBLOCK || error == EBUSY;
}

SerialDevice *Device(HANDLE handle)
{
    if (!handle || handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<SerialDevice *>(handle);
}

SerialDevice *Device(HANDLE handle, const void *record)
{
    SerialDevice *device = Device(handle);
    if (device && !record) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return device;
}

DWORD WindowsError(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOTTY:
        return ERROR_INVALID_FUNCTION;
    case EIO:
    case ENXIO:
    case ENODEV:
        return ERROR_DEVICE_NOT_CONNECTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

BOOL Fail(DWORD error)
{
    return Fail(error, SystemErrorFor(error));
}

BOOL Fail(DWORD error, int errnoValue)
{
    SetLastError(error);
    lastErrno = errnoValue;
    return FALSE;
}

BOOL FailErrno()
{
    const int error = errno;
    return Fail(WindowsError(error), error);
}

PollDeadline::PollDeadline(uint64_t ms)
{
    Restart(ms);
}

void PollDeadline::Restart(uint64_t ms)
{
    infinite_ = ms == 0;
    end_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

int PollDeadline::RemainingMs() const
{
    if (infinite_)
        return -1;
    const auto left = end_ - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

int WaitFor(const SerialDevice &device, short events, int timeoutMs)
{
    pollfd p{device.fd, events, 0};
    const int n = poll(&p, 1, timeoutMs);
    if (n < 0) {
        if (errno == EINTR)
            return 0;
        FailErrno();
        return -1;
    }
    if (n == 0)
        return 0;
    if (p.revents & events)
        return 1;  // a hang-up with data still readable: the read tells
    Fail(p.revents & POLLNVAL ? ERROR_INVALID_HANDLE : ERROR_DEVICE_NOT_CONNECTED);
    return -1;
}

}  // namespace zmhw

#endif
