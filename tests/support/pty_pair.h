// The far end of a line for tests: a real pseudo-terminal. The program under test opens its
// slave by path (through ZMHW_COM<n>, see ComMapping), the test plays the peer on the master.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace zmtest {

class PtyPair {
public:
    PtyPair()
    {
        char name[128] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0)
            path_ = name;
    }
    ~PtyPair()
    {
        CloseMaster();
        if (slave_ >= 0)
            close(slave_);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool Opened() const { return master_ >= 0 && slave_ >= 0; }
    const std::string &Path() const { return path_; }
    int Master() const { return master_; }
    // The test's own descriptor of the slave: the line as anyone else sees it.
    int Slave() const { return slave_; }

    // A line with no echo and no line discipline, as a programmer's is.
    void MakeRaw() const
    {
        termios raw{};
        tcgetattr(slave_, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
    }
    // The peer's reads return at once when nothing waits.
    void PeerNonBlocking() const { fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK); }

    // Hangs up the line, as an unplugged adapter or an ended simulator does.
    void CloseMaster()
    {
        if (master_ >= 0)
            close(master_);
        master_ = -1;
    }

    // All of `bytes`, waiting while the line is full.
    bool PeerWrite(const std::string &bytes) const
    {
        size_t done = 0;
        while (done < bytes.size() && master_ >= 0) {
            const ssize_t k = write(master_, bytes.data() + done, bytes.size() - done);
            if (k > 0) {
                done += size_t(k);
                continue;
            }
            pollfd p{master_, POLLOUT, 0};
            if (poll(&p, 1, 1000) <= 0 || (p.revents & (POLLERR | POLLHUP)))
                break;
        }
        return done == bytes.size();
    }

    // Up to `count` bytes that reach the peer within `ms` milliseconds.
    std::string PeerRead(size_t count, int ms = 3000) const
    {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd p{master_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            char buf[256];
            const ssize_t n = read(master_, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0)
                break;
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// Points ZMHW_COM<port> at a device path while it lives. No path (a pseudo-terminal that
// could not be made) points nowhere, never at the machine's own serial port.
class ComMapping {
public:
    ComMapping(int port, const std::string &path) : name_("ZMHW_COM" + std::to_string(port))
    {
        setenv(name_.c_str(), path.empty() ? "/nonexistent/no-pseudo-terminal" : path.c_str(), 1);
    }
    ~ComMapping() { unsetenv(name_.c_str()); }
    ComMapping(const ComMapping &) = delete;
    ComMapping &operator=(const ComMapping &) = delete;

private:
    std::string name_;
};

// Polls `condition` until it holds or `ms` pass.
template <typename Condition>
bool Eventually(Condition condition, int ms = 3000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        poll(nullptr, 0, 2);
    }
    return true;
}

}  // namespace zmtest
