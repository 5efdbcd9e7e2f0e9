#if !defined(_WIN32)

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

#include "linemap.h"
#include "posix_device.h"

using namespace zmhw;

namespace {

// Unix98 pseudo-terminal slaves.
bool IsPseudoTerminal(const struct stat &st)
{
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

// Records the failure, errno first: the close must not change it.
HANDLE FailOpen(int fd, DWORD error, int errnoValue)
{
    Fail(error, errnoValue);
    if (fd >= 0)
        close(fd);
    return INVALID_HANDLE_VALUE;
}

HANDLE FailOpen(int fd, int errnoValue)
{
    return FailOpen(fd, WindowsError(errnoValue), errnoValue);
}

// close() waits for the driver to send what is queued, for up to half a minute when a
// handshake holds the line. Wait only while the queue keeps shrinking, then drop the rest.
void DrainOutput(const SerialDevice &d)
{
    using Clock = std::chrono::steady_clock;
    int last = -1;
    auto lastProgress = Clock::now();
    for (;;) {
        int queued = 0;
        if (ioctl(d.fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            break;
        if (queued != last) {
            last = queued;
            lastProgress = Clock::now();
        } else if (Clock::now() - lastProgress > std::chrono::milliseconds(250)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ioctl(d.fd, TCFLSH, TCOFLUSH);
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE templateFile)
{
    if (creationDisposition != OPEN_EXISTING || (flagsAndAttributes & FILE_FLAG_OVERLAPPED) ||
        templateFile)
        return FailOpen(-1, EINVAL);
    const std::string path = ResolveComName(fileName);
    struct stat st {};
    if (path.empty())
        return FailOpen(-1, ENOENT);
    if (stat(path.c_str(), &st) != 0)
        return FailOpen(-1, errno);
    // Anything but a terminal is no serial line, and is refused as a missing one is.
    if (!S_ISCHR(st.st_mode))
        return FailOpen(-1, ERROR_FILE_NOT_FOUND, ENOTTY);

    const bool reads = desiredAccess & GENERIC_READ, writes = desiredAccess & GENERIC_WRITE;
    const int access = reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    // Non-blocking: an open must not wait for carrier, and every wait goes through poll().
    const int fd = open(path.c_str(), access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FailOpen(-1, errno);
    if (!isatty(fd))
        return FailOpen(fd, ERROR_FILE_NOT_FOUND, ENOTTY);
    // Share mode 0 is exclusive use. flock holds for root as well; TIOCEXCL keeps out
    // programs that open the device without locking it.
    if (shareMode == 0) {
        if (flock(fd, LOCK_EX | LOCK_NB) != 0)
            return FailOpen(fd, ERROR_ACCESS_DENIED, errno);
        if (ioctl(fd, TIOCEXCL) != 0)
            return FailOpen(fd, errno);
    }
    termios2 tio{};
    if (fstat(fd, &st) != 0 || ioctl(fd, TCGETS2, &tio) != 0)
        return FailOpen(fd, errno);

    auto *device = new (std::nothrow) SerialDevice;
    if (!device)
        return FailOpen(fd, ENOMEM);
    int lines = 0;
    device->fd = fd;
    device->exclusive = shareMode == 0;
    device->pseudoTerminal = IsPseudoTerminal(st);
    device->modemLines = ioctl(fd, TIOCMGET, &lines) == 0;
    device->dcb = DcbFromTermios(tio);
    return device;
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    SerialDevice *d = Device(handle);
    if (!d)
        return FALSE;
    // The device may be gone already: nothing here may block or stop the close.
    if (!d->pseudoTerminal)
        DrainOutput(*d);
    if (d->exclusive)
        ioctl(d->fd, TIOCNXCL);
    const int result = close(d->fd);
    const int error = errno;
    delete d;
    // Linux releases the descriptor even when close() reports EINTR.
    if (result != 0 && error != EINTR)
        return Fail(WindowsError(error), error);
    return TRUE;
}

#endif
