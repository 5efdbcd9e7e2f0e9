// Blank check against promsim --rate 960 (a line paced like 9600 baud): zmcli blank on an
// erased 27C256, beside the least time its line could take. Before it, the two ways of reading
// a 2716, which decided how blank reads: the examine read (upload-bin) and upload hex's stream.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "promsim_runner.h"
#include "run_process.h"
#include "temp_dir.h"

namespace {

constexpr double kCharsPerSecond = 960.0;
// What the programmer sends for each byte: examine's CR LF, 4 address digits, "=", 2 digits;
// the stream's records of 16 bytes, ":10", address, type, 32 digits, checksum, CR.
constexpr double kExamineChars = 9.0;
constexpr double kStreamChars = 44.0 / 16.0;

using Clock = std::chrono::steady_clock;

// Seconds zmcli took for `args` on a fresh, erased promsim of `size` (hex) bytes.
double Timed(const std::vector<std::string> &args, const std::string &size)
{
    zmtest::TempDir dir;
    zmtest::PromsimRunner sim({"--size", size, "--rate", "960"});
    if (!zmtest::IsPseudoTerminal(sim.Path())) {
        std::fprintf(stderr, "not a pseudo-terminal: %s\n", sim.Path().c_str());
        std::exit(1);
    }
    setenv("ZMHW_COM9", sim.Path().c_str(), 1);
    std::vector<std::string> argv{zmtest::BinPath("zmcli"), "-i-", "-p9", "--quiet"};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto start = Clock::now();
    const zmtest::ProcessResult r = zmtest::RunProcess(argv, {}, dir.Path());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (r.status != 0)
        std::fprintf(stderr, "zmcli %s: exit %d: %s", args.front().c_str(), r.status, r.err.c_str());
    return seconds;
}

}  // namespace

int main()
{
    std::printf("2716 (2048 bytes) at 9600 baud: examine read %.1f s (the line's least %.1f s), "
                "hex stream %.1f s (the line's least %.1f s)\n",
                Timed({"upload-bin", "x.bin", "--chip", "2716"}, "800"), 2048 * kExamineChars / kCharsPerSecond,
                Timed({"upload-hex", "x.hex", "--chip", "2716"}, "800"), 2048 * kStreamChars / kCharsPerSecond);
    std::printf("blank check, 27C256 (32768 bytes) at 9600 baud: %.1f s; the line's least for its records "
                "%.1f s\n",
                Timed({"blank", "--chip", "27C256"}, "8000"), 32768 * kStreamChars / kCharsPerSecond);
    return 0;
}
