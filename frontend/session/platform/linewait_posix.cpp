// POSIX: clock_nanosleep on the monotonic clock, the device found among this process's open
// descriptors by its device number, poll for the wait.
#include "../linewait.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

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

int FindDescriptor(const std::string &devicePath)
{
    struct stat device {};
    if (devicePath.empty() || stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode))
        return -1;
    const auto matches = [&device](int fd) {
        struct stat open {};
        return fstat(fd, &open) == 0 && S_ISCHR(open.st_mode) && open.st_rdev == device.st_rdev;
    };
    // The device is opened exclusively (flock), so at most one descriptor holds it.
    int found = -1;
    if (DIR *dir = opendir("/proc/self/fd")) {
        const int own = dirfd(dir);
        while (const dirent *entry = readdir(dir)) {
            char *end = nullptr;
            const long fd = std::strtol(entry->d_name, &end, 10);
            if (end != entry->d_name && *end == '\0' && fd != own && matches(static_cast<int>(fd)))
                found = static_cast<int>(fd);
        }
        closedir(dir);
        return found;
    }
    const long most = sysconf(_SC_OPEN_MAX);
    for (int fd = 0; fd < (most > 0 && most < 65536 ? most : 1024); ++fd)
        if (matches(fd))
            found = fd;
    return found;
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
