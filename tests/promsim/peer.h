// The far end of promsim's line, opened and driven the way a serial program would.
#pragma once

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zmtest {

class Peer {
public:
    using Clock = std::chrono::steady_clock;

    // Opens the device in raw mode, for exclusive use as the front-end does.
    explicit Peer(const std::string &path)
    {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0)
            return;
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
        ioctl(fd_, TIOCEXCL);
    }
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;
    ~Peer() { Close(); }

    bool IsOpen() const { return fd_ >= 0; }
    void Close()
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

    void Send(const std::string &bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t k = write(fd_, bytes.data() + done, bytes.size() - done);
            if (k > 0) {
                done += size_t(k);
            } else if (k < 0 && errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                poll(&p, 1, 100);
            } else {
                return;
            }
        }
    }

    // Reads until `text` has arrived (contiguously) or the time is up; returns all read.
    std::string ReadUntil(const std::string &text, int ms = 5000)
    {
        std::string got;
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (got.find(text) == std::string::npos && ReadSome(got, until)) {
        }
        return got;
    }

    // Reads until the line has been quiet for `quietMs` (or `maxMs` have passed).
    std::string ReadQuiet(int quietMs = 300, int maxMs = 10000)
    {
        std::string got;
        auto end = Clock::now() + std::chrono::milliseconds(maxMs);
        for (;;) {
            auto until = std::min(end, Clock::now() + std::chrono::milliseconds(quietMs));
            if (!ReadSome(got, until) || Clock::now() >= end)
                return got;
        }
    }

    // Reads exactly n bytes, or what came before the time ran out.
    std::string ReadCount(size_t n, int ms = 5000)
    {
        std::string got;
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < n && ReadSome(got, until, n - got.size())) {
        }
        return got;
    }

    // Sends, then reads up to the prompt that ends the answer.
    std::string Command(const std::string &bytes, int ms = 5000)
    {
        Send(bytes);
        return ReadUntil("\r\n>", ms);
    }

    // True when the line was hung up (EIO, end of file or POLLHUP) within the time.
    bool WaitHangup(int ms, std::string *received = nullptr)
    {
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        std::string got;
        while (ReadSome(got, until)) {
        }
        if (received)
            *received = got;
        return hungUp_;
    }

private:
    // Waits for bytes until `until`; false on time-out or hang-up.
    bool ReadSome(std::string &got, Clock::time_point until, size_t most = 65536)
    {
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, int(left)) <= 0)
                continue;
            char buffer[65536];
            ssize_t k = read(fd_, buffer, std::min(most, sizeof buffer));
            if (k > 0) {
                got.append(buffer, size_t(k));
                return true;
            }
            if (k < 0 && errno == EAGAIN)
                continue;
            hungUp_ = true;
            return false;
        }
    }

    int fd_ = -1;
    bool hungUp_ = false;
};

} // namespace zmtest
