#include "pty_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace promsim {

namespace {

std::string Failure(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// No translation, no echo, no signals: every byte passes as it is, both ways.
bool MakeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

std::string PtyLine::Open()
{
    int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return Failure("cannot open a pseudo-terminal");
    const char *name = nullptr;
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || !(name = ptsname(fd))) {
        std::string error = Failure("cannot prepare the pseudo-terminal");
        close(fd);
        return error;
    }
    std::string path = name;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (!MakeRaw(fd)) {
        std::string error = Failure("cannot set raw mode");
        close(fd);
        return error;
    }
    // The master shows a hang-up only once the device side has been opened and closed;
    // doing that here lets "no peer yet" look the same as "peer gone".
    int slave = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        std::string error = Failure("cannot open the device side");
        close(fd);
        return error;
    }
    close(slave);
    Close();
    master_ = fd;
    path_ = path;
    return {};
}

void PtyLine::Close()
{
    if (master_ >= 0)
        close(master_);
    master_ = -1;
}

bool PtyLine::PeerActive() const
{
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 0) < 0)
        return false;
    return (p.revents & POLLHUP) == 0 || (p.revents & POLLIN) != 0;
}

std::string PtyLine::Reclaim(bool &replaced)
{
    replaced = false;
    int slave = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0) {
        ioctl(slave, TIOCNXCL);
        tcflush(slave, TCIFLUSH);
        MakeRaw(slave);
        close(slave);
        return {};
    }
    if (errno != EBUSY)
        return Failure("cannot reopen the device side");
    replaced = true;
    return Open();
}

size_t PtyLine::Read(uint8_t *buffer, size_t size, bool &gone)
{
    gone = false;
    for (;;) {
        ssize_t k = read(master_, buffer, size);
        if (k > 0)
            return size_t(k);
        if (k < 0 && errno == EINTR)
            continue;
        // EIO (or end of file) is how the master sees the last peer close the line.
        gone = k == 0 || errno != EAGAIN;
        return 0;
    }
}

size_t PtyLine::Write(const uint8_t *data, size_t size)
{
    for (;;) {
        ssize_t k = write(master_, data, size);
        if (k > 0)
            return size_t(k);
        if (k < 0 && errno == EINTR)
            continue;
        return 0;
    }
}

} // namespace promsim
