// The console on POSIX systems: termios for raw mode, sigaction for the stop signals, poll
// for waiting.
#include "../console.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace console {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int sig)
{
    stopSignal = sig;
}

}  // namespace

bool IsTerminal(int fd)
{
    return isatty(fd) == 1;
}

void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // A second signal ends the program: a hung line never traps the user.
    action.sa_flags = SA_RESETHAND;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    // A reader that went away (| head) must not end the program with the console in raw mode.
    std::signal(SIGPIPE, SIG_IGN);
}

int StopSignal()
{
    return stopSignal;
}

struct RawMode::Saved {
    termios settings;
};

RawMode::RawMode()
{
    termios settings{};
    if (tcgetattr(STDIN_FILENO, &settings) != 0)
        return;
    saved_ = std::make_unique<Saved>(Saved{settings});
    // Keys arrive one by one, unechoed; Ctrl-C and Ctrl-Z are bytes for the programmer.
    // Output keeps its processing off too: the display writes its own CR LF.
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &settings) != 0)
        saved_.reset();
}

RawMode::~RawMode()
{
    if (saved_)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_->settings);
}

Input ReadInput(int ms, std::string &bytes)
{
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0)
        return Input::None;
    char buffer[256];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
        return Input::None;
    if (n <= 0)
        return Input::End;
    bytes.append(buffer, static_cast<size_t>(n));
    return Input::Bytes;
}

void Sleep(int ms)
{
    poll(nullptr, 0, ms);
}

}  // namespace console
