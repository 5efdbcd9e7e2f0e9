// zmcli run as a process on promsim's line, as a port number through ZMHW_COM<n>.
#pragma once

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "promsim_runner.h"
#include "run_process.h"
#include "temp_dir.h"

namespace zmtest {

constexpr int kPort = 9;

// The port's line for zmcli; a path that is not there stands for a missing device.
inline void UseLine(const std::string &path)
{
    setenv(("ZMHW_COM" + std::to_string(kPort)).c_str(), path.c_str(), 1);
}

// zmcli's arguments with no settings file and the port, then `args`.
inline std::vector<std::string> ZmcliArgs(const std::vector<std::string> &args)
{
    std::vector<std::string> argv{BinPath("zmcli"), "-i-", "-p" + std::to_string(kPort)};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// Points the port at `line` after checking that it is a pseudo-terminal.
inline bool UsePseudoTerminal(const std::string &line)
{
    if (!IsPseudoTerminal(line)) {
        ADD_FAILURE() << "not a pseudo-terminal: " << line;
        return false;
    }
    UseLine(line);
    return true;
}

inline ProcessResult Zmcli(const std::string &line, const std::vector<std::string> &args,
                           const std::string &cwd = {})
{
    if (!UsePseudoTerminal(line))
        return {};
    return RunProcess(ZmcliArgs(args), {}, cwd);
}

// Starts zmcli on `line` without waiting: standard streams on `console` (a pseudo-terminal
// that becomes its controlling terminal), or on /dev/null when it is -1.
inline pid_t StartZmcli(const std::string &line, const std::vector<std::string> &args, int console,
                        const std::string &cwd)
{
    if (!UsePseudoTerminal(line))
        return -1;
    const std::vector<std::string> argv = ZmcliArgs(args);
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        const int fd = console >= 0 ? console : open("/dev/null", O_RDWR);
        for (int i = 0; i < 3; ++i)
            dup2(fd, i);
        if (chdir(cwd.c_str()) != 0)
            _exit(126);
        ExecOrExit(argv);
    }
    return pid;
}

// The exit status, or 128 + the signal; -1 when it did not end within `ms`.
inline int WaitExit(pid_t pid, int ms)
{
    for (int waited = 0; waited < ms; waited += 5) {
        int st = 0;
        if (waitpid(pid, &st, WNOHANG) == pid)
            return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        usleep(5000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

inline std::string Image(size_t size) { return PseudoRandomImage(size); }

// zmimage's sums of the file `path`, as zmcli's last line gives them: "sum16 XXXX crc32 XXXXXXXX".
inline std::string SumsOf(const std::string &path, const std::vector<std::string> &options = {})
{
    std::vector<std::string> args{BinPath("zmimage"), "info", path};
    args.insert(args.end(), options.begin(), options.end());
    const std::string out = RunProcess(args).out;
    const size_t sum16 = out.find("sum16 "), crc32 = out.find("crc32 ");
    return sum16 == std::string::npos || crc32 == std::string::npos
               ? "no sums: " + out
               : out.substr(sum16, 10) + " " + out.substr(crc32, 14);
}

// `text` with every `name` in it replaced by `value`: expected messages name the run's paths.
inline std::string Replaced(std::string text, const std::string &name, const std::string &value)
{
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
        text.replace(at, name.size(), value);
    return text;
}

}  // namespace zmtest
