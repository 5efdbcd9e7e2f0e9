// The exports called from several threads at once, on real pseudo-terminals: what the header
// promises of threads, and no report from the sanitizers the suite runs under.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <thread>
#include <vector>

#include "pty_pair.h"
#include "zmhwcomm.h"

using zmtest::ComMapping;
using zmtest::PtyPair;

namespace {

constexpr int kPort = 9;
using Clock = std::chrono::steady_clock;

int32_t OpenPort(intptr_t &handle)
{
    return zmhwOpen(&handle, kPort, 9600, 8, 0, 'N', 0);
}

// Reads `count` bytes, asking the queue before each as the front-end does.
std::string Receive(intptr_t handle, size_t count)
{
    std::string got;
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (got.size() < count && Clock::now() < end) {
        const int32_t waiting = zmhwRXQ(handle);
        if (waiting < 0)
            break;
        for (int32_t i = 0; i < waiting && got.size() < count; ++i) {
            const int32_t byte = zmhwRX(handle);
            if (byte < 0)
                return got;
            got.push_back(static_cast<char>(byte));
        }
    }
    return got;
}

std::string Pattern(size_t n, int seed)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s.push_back(static_cast<char>((i * 7 + seed) & 0xFF));
    return s;
}

}  // namespace

TEST(Threads, SendAndReceiveOnOnePortEachByteOnce)
{
    PtyPair pty;
    ComMapping mapping(kPort, pty.Path());
    intptr_t handle = 0;
    ASSERT_EQ(OpenPort(handle), 0);
    const std::string out = Pattern(20000, 1), in = Pattern(20000, 3);
    std::string sent, received;
    std::thread sender([&] {
        for (char c : out)
            if (zmhwTX(handle, static_cast<unsigned char>(c)) != 0)
                return;
    });
    std::thread peer([&] { sent = pty.PeerRead(out.size(), 20000); });
    std::thread receiver([&] { received = Receive(handle, in.size()); });
    for (size_t at = 0; at < in.size(); at += 1000)
        ASSERT_TRUE(pty.PeerWrite(in.substr(at, 1000)));
    sender.join();
    peer.join();
    receiver.join();
    EXPECT_TRUE(sent == out) << sent.size() << " of " << out.size() << " bytes sent as they were";
    EXPECT_TRUE(received == in) << received.size() << " of " << in.size() << " bytes received as they were";
    EXPECT_EQ(zmhwClose(&handle), 0);
}

// A close during a read on another thread waits for it or cuts it short; of two closes of
// one handle one succeeds.
TEST(Threads, CloseDuringAReadAndTwoCloses)
{
    PtyPair pty;
    ComMapping mapping(kPort, pty.Path());
    for (int round = 0; round < 3; ++round) {
        intptr_t handle = 0;
        ASSERT_EQ(OpenPort(handle), 0);
        std::atomic<int32_t> read{1000};
        std::thread reader([&, h = handle] { read = zmhwRX(h); });
        std::this_thread::sleep_for(std::chrono::milliseconds(20 * round));
        intptr_t first = handle, second = handle;
        std::atomic<int32_t> results[2] = {{1}, {1}};
        std::thread closer([&] { results[0] = zmhwClose(&first); });
        results[1] = zmhwClose(&second);
        closer.join();
        reader.join();
        EXPECT_EQ(results[0] + results[1], -4) << results[0] << " and " << results[1];
        EXPECT_EQ(first == 0, results[0] == 0);
        EXPECT_EQ(second == 0, results[1] == 0);
        EXPECT_EQ(read, -4);
        EXPECT_EQ(zmhwRXQ(handle), -4);
    }
}

// Threads open, close, read and write one line's ports and stale handles for a second: every
// call gives a result it may give, and nothing is touched after its close.
TEST(Threads, OpenCloseReadAndWriteAtOnce)
{
    PtyPair pty;
    ComMapping mapping(kPort, pty.Path());
    // With no port open nobody reads: the peer must not block on a full line.
    fcntl(pty.Master(), F_SETFL, fcntl(pty.Master(), F_GETFL) | O_NONBLOCK);
    std::atomic<intptr_t> current{0};
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0}, opened{0};
    const auto check = [&](int32_t result, int32_t highest) {
        if (result != -4 && (result < 0 || result > highest))
            ++wrong;
    };
    std::vector<std::thread> threads;
    threads.emplace_back([&] {  // opens and closes
        while (!stop) {
            intptr_t h = 0;
            if (OpenPort(h) == 0) {
                ++opened;
                current = h;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                intptr_t mine = current.exchange(0);
                check(zmhwClose(&mine), 0);
            }
        }
    });
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {  // calls on whatever handle there is, and on old ones
            std::vector<intptr_t> seen;
            while (!stop) {
                const intptr_t h = t == 0 || seen.empty() ? current.load() : seen[seen.size() / 2];
                if (h && (seen.empty() || seen.back() != h))
                    seen.push_back(h);
                intptr_t line = 0;
                check(zmhwTX(h, 'w'), 0);
                check(zmhwRXQ(h), 4096);
                check(zmhwRX(h), 255);
                check(zmhwTXQ(h), 65536);
                check(zmhwQ_CLEAR(h), 0);
                check(zmhwLINE(h, &line), 0);
                intptr_t copy = h;
                if (t == 1)
                    check(zmhwClose(&copy), 0);  // a stale handle: -4, or it closed a live port
            }
        });
    threads.emplace_back([&] {  // the peer talks and drains
        while (!stop) {
            pty.PeerWrite("peer");
            pty.PeerRead(4096, 5);
        }
    });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    stop = true;
    for (std::thread &t : threads)
        t.join();
    intptr_t last = current.exchange(0);
    EXPECT_EQ(zmhwClose(&last), 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(opened, 0);
}
