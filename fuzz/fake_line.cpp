#include "fake_line.h"

#include <algorithm>
#include <cstdio>
#include <deque>

#include "linewait.h"
#include "timing.h"
#include "zmhwcomm.h"

namespace {

constexpr int32_t kFailed = -4;
// Every look at the line costs a little virtual time, so that no loop that only looks can
// run for ever without its deadline coming.
constexpr uint64_t kLookUs = 20;
constexpr uint64_t kQuietStepUs = 50000;

struct Arrival {
    uint64_t atUs;
    char byte;
};

struct Line {
    std::deque<Arrival> script;  // still to arrive
    std::string arrived;         // arrived, not taken
    uint64_t hangUpAtUs = UINT64_MAX;
    uint64_t quietUntilUs = 0;
    uint64_t nowUs = 0;
    unsigned step = 0;
    std::string sent, taken;
    bool open = false;
};

Line line;

bool Gone()
{
    return line.nowUs >= line.hangUpAtUs;
}

// Bytes arrive a few at a time, as from a real line, whatever their scripted time.
void Arrive()
{
    const size_t most = 1 + (line.step++ % 7);
    for (size_t n = 0; n < most && !line.script.empty() && line.script.front().atUs <= line.nowUs; ++n) {
        line.arrived += line.script.front().byte;
        line.script.pop_front();
    }
}

} // namespace

namespace fakeline {

void Start(const uint8_t *data, size_t size)
{
    line = Line();
    uint64_t at = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != 0xFF || i + 1 == size) {
            line.script.push_back({at, static_cast<char>(data[i])});
            continue;
        }
        const uint8_t code = data[++i];
        if (code == 0xFF)
            line.script.push_back({at, static_cast<char>(0xFF)});
        else if (code == 0)
            line.hangUpAtUs = std::min(line.hangUpAtUs, at);
        else
            at += code * kQuietStepUs;
    }
    line.quietUntilUs = at;
}

const std::string &Sent() { return line.sent; }
const std::string &Taken() { return line.taken; }
bool Exhausted() { return line.script.empty() && line.arrived.empty() && line.nowUs >= line.quietUntilUs; }
uint64_t NowUs() { return line.nowUs; }
void Advance(uint64_t us) { line.nowUs += us; }

} // namespace fakeline

extern "C" {

int32_t ZMHW_API zmhwOpen(intptr_t *handle, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)
{
    if (!handle || line.open || Gone())
        return kFailed;
    line.open = true;
    *handle = 1;
    return 0;
}

int32_t ZMHW_API zmhwClose(intptr_t *handle)
{
    if (handle && *handle)
        line.open = false;
    if (handle)
        *handle = 0;
    return 0;
}

int32_t ZMHW_API zmhwTX(intptr_t handle, int32_t value)
{
    if (!handle || Gone())
        return kFailed;
    line.sent += static_cast<char>(value);
    return 0;
}

int32_t ZMHW_API zmhwRXQ(intptr_t handle)
{
    line.nowUs += kLookUs;
    if (!handle || Gone())
        return kFailed;
    Arrive();
    return static_cast<int32_t>(line.arrived.size());
}

int32_t ZMHW_API zmhwRX(intptr_t handle)
{
    if (!handle || Gone() || line.arrived.empty())
        return kFailed;
    const auto c = static_cast<uint8_t>(line.arrived.front());
    line.arrived.erase(0, 1);
    line.taken += static_cast<char>(c);
    return c;
}

int32_t ZMHW_API zmhwTXQ(intptr_t handle)
{
    return !handle || Gone() ? kFailed : 0;
}

int32_t ZMHW_API zmhwQ_CLEAR(intptr_t handle)
{
    if (!handle || Gone())
        return kFailed;
    line.arrived.clear();
    return 0;
}

const char *zmotla(void)
{
    return "fuzz";
}

// No descriptor: the session's waits are the virtual ones below.
int32_t ZMHW_API zmhwLINE(intptr_t handle, intptr_t *waitable)
{
    if (!handle || !waitable)
        return kFailed;
    *waitable = -1;
    return 0;
}

int32_t ZMHW_API zmhwERROR(int32_t *system, char *text, int32_t size)
{
    if (system)
        *system = 0;
    if (text && size > 0)
        *text = 0;
    return ZMHW_STEP_OPEN;
}

int32_t ZMHW_API zmhwPORT(int32_t port, char *device, int32_t size)
{
    if (port <= 0 || !device || size < 16)
        return kFailed;
    std::snprintf(device, static_cast<size_t>(size), "/dev/fuzz%d", static_cast<int>(port));
    return ZMHW_BUILT_IN;
}

// The reverse of zmhwPORT: "/dev/fuzz<n>" is port n; no port is set by the environment or a map.
int32_t ZMHW_API zmhwNUMBER(const char *device, int32_t after, int32_t *origin)
{
    int port = 0;
    int end = 0;
    if (!device || std::sscanf(device, "/dev/fuzz%d%n", &port, &end) != 1 || device[end] != 0 || port <= after)
        return kFailed;
    if (origin)
        *origin = ZMHW_BUILT_IN;
    return port;
}

int32_t ZMHW_API zmhwMAP(int32_t, const char *)
{
    return 0;
}

} // extern "C"

// The session's clock and waits on the virtual time: a wait lasts until the next byte is due
// or its time is up, whichever comes first, and takes no real time at all.
uint32_t Deadline::TickCount()
{
    return static_cast<uint32_t>(line.nowUs / 1000);
}

void Calibrate() {}
int32_t SpinTailUs() { return 0; }

void DelayMs(int32_t ms)
{
    line.nowUs += static_cast<uint64_t>(std::clamp(ms, 0, kLongestWaitMs)) * 1000;
}

namespace linewait {

void SleepUntil(std::chrono::steady_clock::time_point) {}

bool Wait(int, int32_t ms)
{
    const uint64_t until = line.nowUs + static_cast<uint64_t>(std::max(ms, 0)) * 1000;
    const uint64_t due = std::min(line.script.empty() ? UINT64_MAX : line.script.front().atUs, line.hangUpAtUs);
    line.nowUs = std::max(line.nowUs, std::min(until, std::max(due, line.nowUs)));
    return due <= line.nowUs || Gone();
}

} // namespace linewait
