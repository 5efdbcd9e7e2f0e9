#include "device_probe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

std::string DeviceProblem(const std::string &device, int port)
{
    struct stat info {};
    if (stat(device.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT)
            return "No such device (set ZMHW_COM" + std::to_string(port) + " to the programmer's device)";
        return std::strerror(error);
    }
    // Opened without waiting for a carrier and without becoming its controlling terminal;
    // nothing is written.
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES)
            return std::string(std::strerror(error)) + " (add your user to the group dialout)";
        if (error == EBUSY)
            return "in use by another program";
        if (error == ENXIO || error == ENODEV)
            return std::string(std::strerror(error)) + " (set ZMHW_COM" + std::to_string(port) +
                   " to the programmer's device)";
        return std::strerror(error);
    }
    std::string problem;
    if (!isatty(fd))
        problem = "not a serial line";
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        problem = errno == EWOULDBLOCK ? "in use by another program" : std::strerror(errno);
    close(fd);
    return problem;
}
