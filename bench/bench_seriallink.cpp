// Bytes per second through the serial link library across a pseudo-terminal, beside a raw
// one-byte write/read loop on the same pair: zmhwTX one way, zmhwRXQ + zmhwRX the other,
// the way the front-end calls them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "zmhwcomm.h"

namespace {

constexpr int kPort = 9;
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

// The peer takes everything the sender writes.
void Drain(int master, size_t total)
{
    std::vector<char> buf(4096);
    for (size_t got = 0; got < total;) {
        const ssize_t n = read(master, buf.data(), buf.size());
        if (n <= 0)
            return;
        got += static_cast<size_t>(n);
    }
}

// The peer sends `total` bytes as fast as the line takes them.
void Feed(int master, size_t total)
{
    std::vector<char> buf(1024, 'u');
    for (size_t sent = 0; sent < total;) {
        const ssize_t n = write(master, buf.data(), std::min(buf.size(), total - sent));
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

// Bytes per second of `local` moving `total` bytes while `peer` runs on the master.
double Rate(size_t total, const std::function<bool()> &local,
            const std::function<void()> &peer)
{
    const auto start = Clock::now();
    std::thread other(peer);
    const bool ok = local();
    other.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return ok ? total / seconds : 0.0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Report(const char *what, const char *rawWhat, const std::vector<double> &lib,
            const std::vector<double> &raw)
{
    const double l = Median(lib), r = Median(raw);
    std::printf("%-22s %12.0f bytes/s\n", what, l);
    std::printf("%-22s %12.0f bytes/s\n", rawWhat, r);
    std::printf("%-22s %12.2f (target at least 0.80)\n", "ratio", r > 0 ? l / r : 0.0);
}

}  // namespace

int main(int argc, char **argv)
{
    const size_t total = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200000;
    int master = -1, slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    setenv(("ZMHW_COM" + std::to_string(kPort)).c_str(), name, 1);
    intptr_t port = 0;
    if (zmhwOpen(&port, kPort, 115200, 8, 0, 'N', 0) != 0) {
        std::fprintf(stderr, "zmhwOpen failed on %s\n", name);
        return 1;
    }
    // The raw loops use the test's own descriptor of the same slave, which the library has
    // just put into raw mode.
    const auto libSend = [&] {
        for (size_t i = 0; i < total; ++i)
            if (zmhwTX(port, int32_t(i)) != 0)
                return false;
        return true;
    };
    const auto rawSend = [&] {
        for (size_t i = 0; i < total; ++i) {
            const char b = char(i);
            if (write(slave, &b, 1) != 1)
                return false;
        }
        return true;
    };
    const auto libReceive = [&] {
        for (size_t got = 0; got < total;) {
            const int32_t waiting = zmhwRXQ(port);
            if (waiting < 0)
                return false;
            if (waiting > 0) {
                if (zmhwRX(port) < 0)
                    return false;
                ++got;
            }
        }
        return true;
    };
    const auto rawReceive = [&] {
        char b = 0;
        for (size_t got = 0; got < total; ++got)
            if (read(slave, &b, 1) != 1)
                return false;
        return true;
    };
    const auto drain = [&] { Drain(master, total); };
    const auto feed = [&] { Feed(master, total); };

    std::vector<double> libTx, rawTx, libRx, rawRx;
    for (int round = 0; round < kRounds; ++round) {
        libTx.push_back(Rate(total, libSend, drain));
        rawTx.push_back(Rate(total, rawSend, drain));
        libRx.push_back(Rate(total, libReceive, feed));
        rawRx.push_back(Rate(total, rawReceive, feed));
    }
    std::printf("serial link across a pseudo-terminal, %zu bytes each way, median of %d rounds\n",
                total, kRounds);
    Report("zmhwTX", "raw write loop", libTx, rawTx);
    Report("zmhwRXQ + zmhwRX", "raw read loop", libRx, rawRx);
    zmhwClose(&port);
    close(slave);
    close(master);
    return 0;
}
