// Starts the simulated programmer as a process and hands out the path of its line.
#pragma once

#include <chrono>
#include <climits>
#include <cstdlib>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zmtest {

// Only ever a pseudo-terminal: never a byte to a real serial device.
inline bool IsPseudoTerminal(const std::string &path)
{
    char real[PATH_MAX];
    return realpath(path.c_str(), real) && std::string(real).rfind("/dev/pts/", 0) == 0;
}

class PromsimRunner {
public:
    // Starts build/bin/promsim with the options; waits for the device path on its first line.
    explicit PromsimRunner(const std::vector<std::string> &options = {})
    {
        int out[2];
        if (pipe(out))
            return;
        pid_ = fork();
        if (pid_ == 0) {
            // A test that dies must not leave its simulator running.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            std::string prog = std::string(ZM_BIN_DIR) + "/promsim";
            std::vector<char *> args{const_cast<char *>(prog.c_str())};
            for (const auto &o : options)
                args.push_back(const_cast<char *>(o.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
        path_ = NextLine(10000);
    }
    PromsimRunner(const PromsimRunner &) = delete;
    PromsimRunner &operator=(const PromsimRunner &) = delete;
    ~PromsimRunner() { Stop(); }

    // The device side of the simulator's pseudo-terminal; empty if it did not start.
    const std::string &Path() const { return path_; }
    pid_t Pid() const { return pid_; }

    // Ends the simulator (SIGTERM, so that it saves its memory) and returns its exit status.
    int Stop(int sig = SIGTERM)
    {
        if (pid_ <= 0)
            return status_;
        kill(pid_, sig);
        int st = 0;
        waitpid(pid_, &st, 0);
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        pid_ = -1;
        if (out_ >= 0)
            close(out_);
        out_ = -1;
        return status_;
    }

    // Reads a further line of the simulator's standard output (without its line feed);
    // empty when none came within the time. promsim prints a new path there when it
    // has to replace its line.
    std::string NextLine(int ms) { return ReadLineFrom(out_, ms); }

    // Reads one line from a descriptor, waiting at most `ms` for it.
    static std::string ReadLineFrom(int fd, int ms)
    {
        std::string line;
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        char c;
        while (fd >= 0 && std::chrono::steady_clock::now() < until) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            if (read(fd, &c, 1) != 1 || c == '\n')
                break;
            line += c;
        }
        return line;
    }

    // Waits for the simulator to end by itself (for --once); true if it did within the time.
    bool WaitExit(int ms)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (pid_ > 0 && std::chrono::steady_clock::now() < until) {
            int st = 0;
            if (waitpid(pid_, &st, WNOHANG) == pid_) {
                status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
                pid_ = -1;
                return true;
            }
            usleep(5000);
        }
        return pid_ <= 0;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -1;
    std::string path_;
};

} // namespace zmtest
