// A promsim line opened straight by a benchmark, raw, for a dialogue of its own with it.
#pragma once

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

// The descriptor, or -1 when the path is no pseudo-terminal (nothing else is ever opened) or
// does not open within two seconds: promsim lifts the exclusive mark a previous user left
// once it sees that user gone.
inline int OpenRawLine(const std::string &path)
{
    std::error_code error;
    if (std::filesystem::canonical(path, error).string().rfind("/dev/pts/", 0) != 0)
        return -1;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 200; ++tries) {
        fd = open(path.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (fd < 0)
        return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// A pseudo-terminal of the benchmark's own, its device side raw; false when none could be had.
inline bool OpenRawPty(int &master, int &slave)
{
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return false;
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    return true;
}
