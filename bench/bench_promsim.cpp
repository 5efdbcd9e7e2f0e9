// How fast promsim sends an upload unpaced, and how closely it keeps a paced rate.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "peer.h"
#include "promsim_runner.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timed {
    size_t bytes = 0;
    double firstToLast = 0;   // seconds from the first byte received to the last
    bool complete = false;
};

// "U0" and everything up to the prompt, timed from the first byte on.
Timed TimeUpload(zmtest::Peer &peer)
{
    Timed t;
    peer.Send("U0");
    std::string first = peer.ReadCount(1, 10000);
    if (first.empty())
        return t;
    auto start = Clock::now();
    std::string rest = peer.ReadUntil("\r\n>", 600000);
    t.firstToLast = std::chrono::duration<double>(Clock::now() - start).count();
    t.bytes = 1 + rest.size();
    t.complete = rest.size() >= 3 && rest.compare(rest.size() - 3, 3, "\r\n>") == 0;
    return t;
}

std::string WriteImage(size_t size)
{
    std::string path = "/tmp/bench_promsim_image.bin";
    std::mt19937 gen(1);
    std::string bytes(size, '\0');
    for (auto &c : bytes)
        c = static_cast<char>(gen());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

} // namespace

int main()
{
    std::string image = WriteImage(0x10000);
    {
        zmtest::PromsimRunner sim({"--image", image, "--size", "10000", "--upload-delay", "0", "--rate", "0"});
        zmtest::Peer peer(sim.Path());
        if (!peer.IsOpen()) {
            std::fprintf(stderr, "bench_promsim: promsim did not start\n");
            return 1;
        }
        peer.ReadUntil("\r\n>");
        std::vector<double> rates;
        size_t bytes = 0;
        for (int run = 0; run < 5; ++run) {
            Timed t = TimeUpload(peer);
            if (!t.complete) {
                std::fprintf(stderr, "bench_promsim: upload incomplete\n");
                return 1;
            }
            bytes = t.bytes;
            rates.push_back(double(t.bytes) / std::max(t.firstToLast, 1e-6));
        }
        std::remove(image.c_str());
        std::sort(rates.begin(), rates.end());
        std::printf("upload of 64 KiB memory, --rate 0: %zu bytes of records per run, 5 runs\n", bytes);
        std::printf("  median %.2f MB/s, slowest %.2f MB/s, fastest %.2f MB/s (target: well above 1 MB/s)\n",
                    rates[2] / 1e6, rates[0] / 1e6, rates[4] / 1e6);
    }
    {
        const double target = 960;
        zmtest::PromsimRunner sim({"--size", "400", "--upload-delay", "0", "--rate", "960"});
        zmtest::Peer peer(sim.Path());
        peer.ReadUntil("\r\n>");
        std::printf("upload of 1 KiB memory, --rate 960:\n");
        for (int run = 0; run < 2; ++run) {
            Timed t = TimeUpload(peer);
            // n bytes arrive in n byte times; the first one's time lies before the clock starts.
            double rate = double(t.bytes - 1) / t.firstToLast;
            std::printf("  %zu bytes in %.3f s: %.1f bytes/s, %+.2f %% off 960 (target: within 5 %%)\n", t.bytes,
                        t.firstToLast, rate, (rate - target) / target * 100);
        }
    }
    return 0;
}
