#include "signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace promsim {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_caught = 0;

void OnSignal(int)
{
    int saved = errno;
    g_caught = 1;
    char c = 1;
    [[maybe_unused]] ssize_t k = write(g_pipe[1], &c, 1);
    errno = saved;
}

} // namespace

bool StopSignals::Install()
{
    if (pipe(g_pipe) != 0)
        return false;
    for (int fd : g_pipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        if (sigaction(sig, &sa, nullptr) != 0)
            return false;
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int StopSignals::Fd() const { return g_pipe[0]; }

bool StopSignals::Caught() const { return g_caught != 0; }

} // namespace promsim
