// POSIX: clock_nanosleep on the monotonic clock, poll on the library's descriptor for the wait.
#include "../linewait.h"

#include <cerrno>
#include <ctime>
#include <poll.h>

namespace linewait {

void SleepUntil(std::chrono::steady_clock::time_point until)
{
    // steady_clock is CLOCK_MONOTONIC here; an absolute time keeps a signal from stretching it.
    const auto since = until.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    timespec at{};
    at.tv_sec = static_cast<time_t>(seconds.count());
    at.tv_nsec = static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

bool Wait(int line, int32_t ms)
{
    pollfd p{line, POLLIN, 0};
    // A negative descriptor is ignored by poll: the wait is then a plain sleep.
    return poll(&p, 1, ms < 0 ? 0 : ms) > 0 && p.revents != 0;
}

bool Watchable()
{
    return true;
}

void WakeWait()
{
}

}  // namespace linewait
