// A run of chips against promsim --rate 960 --program-time 2000 (a 9600 baud line, a chip that
// takes two seconds): a 3-site gang's round beside one site's round, and zmcli's CPU through
// the run. A round is the time of a run of 4 rounds less one of 1 round, over 3, so that the
// download and the start drop out.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "file_bytes.h"
#include "promsim_runner.h"
#include "run_process.h"
#include "temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;
};

// zmcli batch on `sites` fresh simulators, `rounds` chips each.
Figures Run(int sites, int rounds)
{
    zmtest::TempDir dir;
    dir.Write("rom.bin", zmtest::PseudoRandomImage(0x100));
    std::vector<std::unique_ptr<zmtest::PromsimRunner>> sims;
    std::string ports;
    for (int i = 0; i < sites; ++i) {
        sims.push_back(std::make_unique<zmtest::PromsimRunner>(std::vector<std::string>{
            "--size", "100", "--rate", "960", "--program-time", "2000", "--fresh-chips"}));
        if (!zmtest::IsPseudoTerminal(sims.back()->Path())) {
            std::fprintf(stderr, "not a pseudo-terminal: %s\n", sims.back()->Path().c_str());
            std::exit(1);
        }
        setenv(("ZMHW_COM" + std::to_string(9 + i)).c_str(), sims.back()->Path().c_str(), 1);
        ports += (i ? "," : "") + std::to_string(9 + i);
    }
    const std::vector<std::string> argv{zmtest::BinPath("zmcli"), "-i-", "-p9", "batch", dir.File("rom.bin"), "--no-wait",
                                        "--ports", ports, "--count", std::to_string(rounds * sites),
                                        "--serial", "F0", "--log-run", dir.File("run.csv")};
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        zmtest::ExecOrExit(argv);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Figures figures;
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "zmcli batch on %d sites: status %d\n", sites, status);
    return figures;
}

}  // namespace

int main()
{
    const Figures one1 = Run(1, 1), one4 = Run(1, 4), gang1 = Run(3, 1), gang4 = Run(3, 4);
    const double oneRound = (one4.seconds - one1.seconds) / 3, gangRound = (gang4.seconds - gang1.seconds) / 3;
    std::printf("round of chips (program time 2 s, 9600 baud): one site %.2f s, 3-site gang %.2f s (%+.1f %%)\n",
                oneRound, gangRound, 100 * (gangRound / oneRound - 1));
    std::printf("zmcli CPU through the run: one site %.2f %% of a core over %.1f s, 3-site gang %.2f %% "
                "(%.2f %% a site) over %.1f s\n",
                100 * one4.cpuSeconds / one4.seconds, one4.seconds, 100 * gang4.cpuSeconds / gang4.seconds,
                100 * gang4.cpuSeconds / gang4.seconds / 3, gang4.seconds);
    return 0;
}
