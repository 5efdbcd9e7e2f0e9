// Runs a program as a real process: exit status and both streams, byte for byte.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zmtest {

struct ProcessResult {
    int status = -1;       // exit status, or 128 + signal number
    std::string out;       // standard output
    std::string err;       // standard error
};

// In a forked child: becomes argv[0] (a path) with the arguments, or ends with status 127.
[[noreturn]] inline void ExecOrExit(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

// Runs argv[0] (a path) with the arguments; feeds `input` on standard input.
// `cwd` empty keeps the current directory.
inline ProcessResult RunProcess(const std::vector<std::string> &argv, const std::string &input = {},
                                const std::string &cwd = {})
{
    ProcessResult r;
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err))
        return r;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(126);
        ExecOrExit(argv);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    size_t sent = 0;
    if (input.empty()) {
        close(in[1]);
        in[1] = -1;
    } else {
        fcntl(in[1], F_SETFL, O_NONBLOCK);
    }
    bool outOpen = true, errOpen = true;
    char buf[65536];
    while (outOpen || errOpen || in[1] >= 0) {
        pollfd fds[3];
        int n = 0;
        int iOut = -1, iErr = -1, iIn = -1;
        if (outOpen) { fds[n] = {out[0], POLLIN, 0}; iOut = n++; }
        if (errOpen) { fds[n] = {err[0], POLLIN, 0}; iErr = n++; }
        if (in[1] >= 0) { fds[n] = {in[1], POLLOUT, 0}; iIn = n++; }
        if (poll(fds, n, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (iOut >= 0 && fds[iOut].revents) {
            ssize_t k = read(out[0], buf, sizeof buf);
            if (k > 0) r.out.append(buf, size_t(k)); else outOpen = false;
        }
        if (iErr >= 0 && fds[iErr].revents) {
            ssize_t k = read(err[0], buf, sizeof buf);
            if (k > 0) r.err.append(buf, size_t(k)); else errOpen = false;
        }
        if (iIn >= 0 && fds[iIn].revents) {
            ssize_t k = write(in[1], input.data() + sent, input.size() - sent);
            if (k > 0) sent += size_t(k);
            if (k <= 0 || sent == input.size()) { close(in[1]); in[1] = -1; }
        }
    }
    close(out[0]);
    close(err[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return r;
}

inline std::string BinPath(const std::string &program) { return std::string(ZM_BIN_DIR) + "/" + program; }

} // namespace zmtest
