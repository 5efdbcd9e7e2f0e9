#include "session_loop.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <poll.h>

#include "device.h"
#include "device_link.h"
#include "memory_image.h"
#include "options.h"
#include "pty_line.h"
#include "signals.h"
#include "trace.h"
#include "transmitter.h"

namespace promsim {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often a line without a peer is looked at: a peer's open raises no event.
constexpr milliseconds kPeerCheck{20};
// A pseudo-terminal drops what its peer has not read when it is closed: give the
// peer time to take the last bytes before the hang-up.
constexpr milliseconds kHangupGrace{500};
constexpr int kReadsPerTurn = 16;

class Loop {
public:
    explicit Loop(LoopParts parts)
        : p_(parts), tx_(parts.options.rate, parts.options.faults)
    {
    }

    int Run();

private:
    void Connect();
    // Returns the exit status when the loop is to end.
    std::optional<int> Disconnect();
    bool ReadLine(Clock::time_point now);
    void Produce(Clock::time_point now);
    void SaveAfterTransfer();
    void SaveProgrammedChip();
    void ReportSaveError(const std::string &error);
    int Timeout(Clock::time_point now) const;

    LoopParts p_;
    Transmitter tx_;
    bool connected_ = false;
    bool stallNoted_ = false;
    std::optional<Clock::time_point> hangupAt_;
};

void Loop::Connect()
{
    connected_ = true;
    p_.trace.Note("peer opened the line");
    p_.device.PowerOn();
}

std::optional<int> Loop::Disconnect()
{
    connected_ = false;
    tx_.Discard();
    p_.device.TakeOutput();
    p_.trace.Note("peer closed the line");
    if (p_.options.once)
        return 0;
    bool replaced = false;
    std::string error = p_.line.Reclaim(replaced);
    if (!error.empty()) {
        std::fprintf(stderr, "promsim: %s\n", error.c_str());
        return 1;
    }
    if (replaced) {
        // The old line kept the peer's exclusive-use mark; the new one goes by a new name.
        p_.trace.Note("new line " + p_.line.Path());
        if (p_.link) {
            std::string linkError = p_.link->PointTo(p_.line.Path());
            if (!linkError.empty())
                std::fprintf(stderr, "promsim: %s\n", linkError.c_str());
        }
        std::printf("%s\n", p_.line.Path().c_str());
        std::fflush(stdout);
    }
    return std::nullopt;
}

// Reads what waits; false when the peer has gone.
bool Loop::ReadLine(Clock::time_point now)
{
    uint8_t buffer[4096];
    for (int turn = 0; turn < kReadsPerTurn; ++turn) {
        bool gone = false;
        size_t n = p_.line.Read(buffer, sizeof buffer, gone);
        if (gone)
            return false;
        if (n == 0)
            break;
        p_.trace.Received(buffer, n);
        for (size_t i = 0; i < n; ++i)
            p_.device.Receive(buffer[i], now);
    }
    return true;
}

void Loop::ReportSaveError(const std::string &error)
{
    if (error.empty())
        return;
    std::fprintf(stderr, "promsim: %s\n", error.c_str());
    p_.trace.Note(error);
}

void Loop::SaveAfterTransfer()
{
    if (p_.device.TakeTransferDone() && !p_.options.save.empty())
        ReportSaveError(SaveImage(p_.options.save, p_.device.Memory()));
}

// Saved before the answer goes out, so that a peer that has the answer finds the file.
void Loop::SaveProgrammedChip()
{
    if (!p_.device.TakeChipProgrammed() || p_.options.saveChips.empty())
        return;
    const std::string number = std::to_string(p_.device.Socket().Programs());
    ReportSaveError(SaveImage(p_.options.saveChips + "/chip-" + number + ".bin", p_.device.Socket().Cells(),
                              "chip " + number));
}

void Loop::Produce(Clock::time_point now)
{
    // An upload makes more only as its output drains: go on while the line takes it.
    for (;;) {
        p_.device.Pump(tx_.Pending(), now);
        if (p_.device.TakeFlushRequest())
            tx_.Discard();
        std::string out = p_.device.TakeOutput();
        SaveAfterTransfer();
        SaveProgrammedChip();
        std::string_view sent;
        if (connected_) {
            tx_.Queue(out, now);
            sent = tx_.Send(now, [this](const uint8_t *data, size_t n) { return p_.line.Write(data, n); });
            p_.trace.Sent(reinterpret_cast<const uint8_t *>(sent.data()), sent.size());
        }
        if (out.empty() && sent.empty())
            break;
    }
    if (!connected_)
        return;
    if (tx_.Stalled() && !stallNoted_) {
        stallNoted_ = true;
        p_.trace.Note("stalled after " + std::to_string(tx_.SentTotal()) + " bytes: nothing more is sent");
    }
    if (tx_.HangupReached() && !hangupAt_) {
        hangupAt_ = now + kHangupGrace;
        p_.trace.Note("hanging up after " + std::to_string(tx_.SentTotal()) + " bytes");
    }
}

int Loop::Timeout(Clock::time_point now) const
{
    std::optional<Clock::time_point> wake;
    auto consider = [&wake](std::optional<Clock::time_point> t) {
        if (t && (!wake || *t < *wake))
            wake = t;
    };
    if (connected_) {
        consider(tx_.NextDue(now));
        consider(p_.device.NextEvent(now));
    } else {
        consider(now + kPeerCheck);
    }
    consider(hangupAt_);
    if (!wake)
        return -1;
    auto ms = std::chrono::ceil<milliseconds>(*wake - now).count();
    return int(std::clamp<long long>(ms, 0, 60000));
}

int Loop::Run()
{
    for (;;) {
        Clock::time_point now = Clock::now();
        if (p_.signals.Caught()) {
            p_.trace.Note("stopped by a signal");
            return 0;
        }
        if (hangupAt_ && now >= *hangupAt_) {
            p_.trace.Note("line closed");
            p_.line.Close();
            return 0;
        }
        if (!connected_ && p_.line.PeerActive())
            Connect();
        Produce(now);

        pollfd fds[2] = {{p_.signals.Fd(), POLLIN, 0}, {p_.line.Fd(), POLLIN, 0}};
        nfds_t count = connected_ ? 2 : 1;
        if (connected_ && tx_.ReadyAt(now) && !tx_.HangupReached())
            fds[1].events |= POLLOUT;
        if (poll(fds, count, Timeout(now)) < 0)
            continue;
        now = Clock::now();
        if (connected_ && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && !ReadLine(now)) {
            Produce(now);
            if (auto status = Disconnect())
                return *status;
        }
    }
}

} // namespace

int RunLoop(LoopParts parts)
{
    Loop loop(parts);
    return loop.Run();
}

} // namespace promsim
