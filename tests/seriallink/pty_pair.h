// A real pseudo-terminal: the library opens its slave by path, the test plays the peer on the master.
#pragma once

#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <pty.h>
#include <string>
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

    const std::string &Path() const { return path_; }
    int Master() const { return master_; }
    // The test's own descriptor of the slave: the line as anyone else sees it.
    int Slave() const { return slave_; }

    // Hangs up the line, as an unplugged adapter or an ended simulator does.
    void CloseMaster()
    {
        if (master_ >= 0)
            close(master_);
        master_ = -1;
    }

    bool PeerWrite(const std::string &bytes) const
    {
        return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
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

// Points ZMHW_COM<port> at a device path while it lives.
class ComMapping {
public:
    ComMapping(int port, const std::string &path) : name_("ZMHW_COM" + std::to_string(port))
    {
        setenv(name_.c_str(), path.c_str(), 1);
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
