// The console's platform side, kept in one place: raw keyboard mode, the stop signals, waiting
// for keys. Nothing else of zmcli touches terminal settings or signal handlers.
#pragma once

#include <memory>
#include <string>

namespace console {

bool IsTerminal(int fd);

// Ctrl-C (and SIGTERM, SIGHUP, SIGQUIT) become a stop request instead of ending the program at once,
// so that a transfer ends as after Stop, its file keeps what came and the port is closed.
// A second such signal ends the program as usual, the console put back first.
void CatchStopSignals();
// The signal that asked to stop, 0 while none came.
int StopSignal();

// Standard input in raw mode while the object lives; the settings found are put back at the
// end, also when the program leaves by a stop signal.
class RawMode {
public:
    RawMode();
    ~RawMode();
    RawMode(const RawMode &) = delete;
    RawMode &operator=(const RawMode &) = delete;
    bool Active() const { return saved_ != nullptr; }

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

enum class Input { None, Bytes, End };
// Waits at most `ms` for standard input and appends what is there; End when it has closed.
// A stop signal ends the wait early, and so does a byte on `line` (from zmhwLINE: a descriptor,
// on Windows an event; -1 for none).
Input ReadInput(int ms, std::string &bytes, int line = -1);
// Sleeps about `ms`; a stop signal ends it early.
void Sleep(int ms);

}  // namespace console
