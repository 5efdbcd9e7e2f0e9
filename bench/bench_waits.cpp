// What zmcli's waits cost: the pause after each character of a download (delayms 1, 2, 5)
// between its writes to the line (perf or strace must be installed), with the share of a core it takes (target at delayms=2: under 10 %, every
// gap at least delayms, mean within 0.3 ms of it); and both uploads against promsim --rate 960
// (9600 baud): the share of a core (target under 2 %) and the whole run beside a client that
// answers at once; and zmcli term's wake-ups on a quiet line.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "file_bytes.h"
#include "raw_line.h"
#include "promsim_runner.h"
#include "examine_at_once.h"
#include "run_process.h"
#include "temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Run {
    int status = -1;
    double wall = 0;
    double cpu = 0;  // user and system seconds of the child
    long sleeps = 0;  // times it gave up the processor of its own accord
};

// Runs zmcli on port `number` (which must be a pseudo-terminal) with its CPU time.
Run RunZmcli(int number, const std::string &device, const std::vector<std::string> &args,
             const std::vector<std::string> &wrapper = {}, int input = -1)
{
    Run run;
    if (!zmtest::IsPseudoTerminal(device))
        return run;
    setenv(("ZMHW_COM" + std::to_string(number)).c_str(), device.c_str(), 1);
    std::vector<std::string> argv{zmtest::BinPath("zmcli"), "-p" + std::to_string(number), "--quiet"};
    argv.insert(argv.end(), args.begin(), args.end());
    if (!wrapper.empty()) {
        argv.insert(argv.begin(), wrapper.begin(), wrapper.end());
        argv[0] = "/usr/bin/" + wrapper[0];
    }
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(input >= 0 ? input : null, 0);
        dup2(null, 1);
        zmtest::ExecOrExit(argv);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wall = Seconds(Clock::now() - start);
    run.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
              usage.ru_stime.tv_usec / 1e6;
    run.sleeps = usage.ru_nvcsw;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// zmcli term on a quiet programmer, its keyboard a pipe that stays silent for 5 s and then
// closes: how often it wakes and what share of a core it takes (start and end included).
void TermIdle(int number)
{
    zmtest::PromsimRunner sim(std::vector<std::string>{});
    int keys[2];
    if (pipe2(keys, O_CLOEXEC) != 0)  // zmcli must hold no writing end of its own
        return;
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        close(keys[1]);
    });
    const Run run = RunZmcli(number, sim.Path(), {"-i-", "term"}, {}, keys[0]);
    closer.join();
    close(keys[0]);
    std::printf("zmcli term, quiet for 5 s: %.1f wake-ups a second, %.2f %% of a core%s\n",
                double(run.sleeps) / run.wall, 100 * run.cpu / run.wall, run.status == 0 ? "" : " [failed]");
}

// A download paced by `delayms` into a pseudo-terminal of our own (nothing reads it; the
// download reads no answers). The pauses are the gaps between zmcli's one-byte writes to the
// line as perf trace (else strace) times them (the reading end of a pseudo-terminal gets its
// bytes through a kernel worker, too late and too unevenly to time a pause); the share of a
// core from a second run, not traced.
void Paced(const std::string &dir, int delayms, int number)
{
    int master = -1, slave = -1;
    if (!OpenRawPty(master, slave))
        return;
    const std::string ini = dir + "/paced" + std::to_string(delayms) + ".ini";
    std::ofstream(ini) << "[zm32]\r\ndelayms=" << delayms << "\r\n";
    std::atomic<bool> stop{false};
    // The programmer's side: takes everything and prompts after every CR, so that zmcli gets
    // the prompt it waits for after the download.
    std::thread reader([&] {
        char buf[256];
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            for (ssize_t i = 0; i < n; ++i)
                if (buf[i] == '\r' && write(master, "\r\n>", 3) != 3)
                    return;
        }
    });
    const std::vector<std::string> args{"-i" + ini, "download", dir + "/small.hex"};
    const Run run = RunZmcli(number, ttyname(slave), args);
    // perf trace reads the kernel's tracepoints without stopping zmcli; strace stops it at
    // every call, which lengthens each gap a little.
    const bool perf = access("/usr/bin/perf", X_OK) == 0;
    const std::string traceFile = dir + "/writes.txt";
    const Run traced = RunZmcli(number, ttyname(slave), args,
                                perf ? std::vector<std::string>{"perf", "trace", "-e", "write", "-o", traceFile, "--"}
                                     : std::vector<std::string>{"strace", "-ttt", "-e", "trace=write", "-o", traceFile});
    stop = true;
    reader.join();
    close(master);
    close(slave);
    // One-byte writes, by descriptor: the line's is the one with the most. Times in ms.
    std::map<int, std::vector<double>> writes;
    std::ifstream in(traceFile);
    for (std::string line; std::getline(in, line);) {
        double at = 0;
        int fd = -1;
        const size_t call = line.find(perf ? "write(fd: " : " write(");
        const bool oneByte = line.find(perf ? "count: 1)" : ", 1)") != std::string::npos && line.size() >= 3 &&
                             line.compare(line.size() - 3, 3, "= 1") == 0;
        if (call == std::string::npos || !oneByte || std::sscanf(line.c_str(), "%lf", &at) != 1 ||
            std::sscanf(line.c_str() + call + (perf ? 10 : 7), "%d", &fd) != 1)
            continue;
        writes[fd].push_back(perf ? at / 1000 : at);
    }
    std::vector<double> times;
    for (const auto &w : writes)
        if (w.second.size() > times.size())
            times = w.second;
    // The 200 ms waits after I and T are no pauses.
    std::vector<double> gaps;
    for (size_t i = 1; i < times.size(); ++i)
        if ((times[i] - times[i - 1]) * 1000 < 100)
            gaps.push_back((times[i] - times[i - 1]) * 1000);
    if (gaps.empty() || run.status != 0 || traced.status != 0) {
        std::printf("download at delayms=%d: failed (status %d, traced %d)\n", delayms, run.status,
                    traced.status);
        return;
    }
    std::sort(gaps.begin(), gaps.end());
    double sum = 0;
    for (double g : gaps)
        sum += g;
    const double mean = sum / double(gaps.size());
    const auto shorter = std::count_if(gaps.begin(), gaps.end(), [&](double g) { return g < delayms; });
    std::printf("download at delayms=%d: %zu gaps, min %.3f ms, mean %.3f ms, max %.3f ms, %ld shorter than "
                "delayms; %.1f %% of a core over %.2f s%s\n",
                delayms, gaps.size(), gaps.front(), mean, gaps.back(), long(shorter), 100 * run.cpu / run.wall,
                run.wall,
                delayms == 2 ? (run.cpu / run.wall < 0.10 && shorter == 0 && mean <= delayms + 0.3 ? " (targets met)"
                                                                                                : " (targets NOT met)")
                             : "");
}

void UploadsPaced(const std::string &dir, int number)
{
    constexpr int kBytes = 0x200;
    {
        zmtest::PromsimRunner sim({"--rate", "960", "--size", "10000", "--image", dir + "/image.bin"});
        const Run run = RunZmcli(number, sim.Path(), {"-i-", "upload-bin", dir + "/paced.bin", "--bytes", "200"});
        zmtest::PromsimRunner again({"--rate", "960", "--size", "10000", "--image", dir + "/image.bin"});
        const double atOnce = ExamineAtOnce(again.Path(), kBytes).seconds;
        // zmcli's run holds, beside the dialogue, its 200 ms start and the clearing at the end:
        // two rounds of 500 ms, since the prompt after the last CR comes within the first.
        const double dialogue = run.wall - 1.2;
        std::printf("zmcli upload bin at 960 bytes/s, %d bytes: %.1f %% of a core (target under 2 %%: %s); "
                    "%.2f s less its 1.2 s of fixed waits beside %.2f s of a client answering at once (%.1f %%; target within 5 %%)%s\n",
                    kBytes, 100 * run.cpu / run.wall, run.cpu / run.wall < 0.02 ? "met" : "NOT met", dialogue, atOnce,
                    atOnce > 0 ? 100 * dialogue / atOnce : 0.0, run.status == 0 ? "" : " [transfer failed]");
    }
    {
        zmtest::PromsimRunner sim({"--rate", "960", "--size", "800", "--upload-delay", "1500", "--image",
                                   dir + "/image2k.bin"});
        const Run run = RunZmcli(number + 1, sim.Path(), {"-i-", "upload-hex", dir + "/paced.hex", "--stop", "FFFF"});
        // 129 records of up to 44 characters at 960 a second, after 1.4 s of start and 1.5 s
        // of promsim's own delay, and before the 1 s quiet end and 1 s of quiet clearing.
        std::printf("zmcli upload hex at 960 bytes/s: %.1f %% of a core over %.2f s (target under 2 %%: %s)%s\n",
                    100 * run.cpu / run.wall, run.wall, run.cpu / run.wall < 0.02 ? "met" : "NOT met",
                    run.status == 0 ? "" : " [transfer failed]");
    }
}

} // namespace

int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const zmtest::TempDir temp;
    const std::string &dir = temp.Path();
    const std::string image = zmtest::PseudoRandomImage(0x800);
    std::ofstream(dir + "/image.bin", std::ios::binary) << image;
    std::ofstream(dir + "/image2k.bin", std::ios::binary) << image;
    std::ofstream(dir + "/small.bin", std::ios::binary) << image.substr(0, 0x100);
    if (zmtest::RunProcess({zmtest::BinPath("morvel"), dir + "/small.bin", dir + "/small.hex", "-1"}).status != 0) {
        std::printf("morvel failed\n");
        return 1;
    }
    const std::string only = argc > 1 ? argv[1] : "";
    if (std::string("download").find(only) != std::string::npos || only.empty())
        for (int delayms : {1, 2, 5})
            Paced(dir, delayms, 81);
    if (std::string("uploads paced").find(only) != std::string::npos || only.empty())
        UploadsPaced(dir, 83);
    if (std::string("term").find(only) != std::string::npos || only.empty())
        TermIdle(85);
    return 0;
}
