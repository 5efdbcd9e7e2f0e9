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
// The console's settings while raw mode is on, for a signal that ends the program.
termios savedConsole{};
volatile std::sig_atomic_t consoleRaw = 0;

void OnStopSignal(int sig)
{
    if (stopSignal == 0) {
        stopSignal = sig;
        return;
    }
    // A second signal ends the program at once (a hung line never traps the user), with
    // the console as it was found.
    if (consoleRaw)
        tcsetattr(STDIN_FILENO, TCSANOW, &savedConsole);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
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
    // One handler at a time: a second signal waits until the first has been noted.
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&action.sa_mask, sig);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
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
    savedConsole = settings;
    consoleRaw = 1;
    // Keys arrive one by one, unechoed; Ctrl-C and Ctrl-Z are bytes for the programmer.
    // Output keeps its processing off too: the display writes its own CR LF.
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &settings) != 0) {
        consoleRaw = 0;
        saved_.reset();
    }
}

RawMode::~RawMode()
{
    // Put back before the handler is told: a second signal during the put-back (which waits
    // for the output to drain) then puts it back itself before it ends the program.
    if (saved_)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_->settings);
    consoleRaw = 0;
}

Input ReadInput(int ms, std::string &bytes, int line)
{
    // poll passes over a negative descriptor.
    pollfd p[2] = {{STDIN_FILENO, POLLIN, 0}, {line, POLLIN, 0}};
    if (poll(p, 2, ms) <= 0 || p[0].revents == 0)
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
