// Throughput of the three transfers against promsim --rate 0, through the window and through
// zmcli side by side, beside the raw rate of a
// pseudo-terminal moved one byte per call, and beside 115200 baud (11520 characters per
// second). Targets: download with echo and upload hex 115200 characters per second (10x the
// line); upload bin 5760 bytes per second (2x the line at four characters a byte).
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "promsim_runner.h"
#include "run_process.h"
#include "tform_main.h"
#include "window_test_support.h"

using zmtest::ReadFile;

namespace {

constexpr double kLineRate = 11520.0;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void RawPty(size_t bytes)
{
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return;
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    // One write() per byte into one end, read in bulk at the other; then the other way.
    const auto measure = [bytes](int from, int to, bool oneByteWrites) {
        std::thread reader([&] {
            std::vector<char> buf(oneByteWrites ? 65536 : 1);
            size_t got = 0;
            while (got < bytes) {
                ssize_t k = read(to, buf.data(), buf.size());
                if (k <= 0)
                    break;
                got += size_t(k);
            }
        });
        const auto start = Clock::now();
        const std::string chunk(oneByteWrites ? 1 : 4096, 'x');
        for (size_t sent = 0; sent < bytes;)
            sent += size_t(std::max<ssize_t>(0, write(from, chunk.data(), std::min(chunk.size(), bytes - sent))));
        reader.join();
        return bytes / Seconds(Clock::now() - start);
    };
    const double out = measure(slave, master, true);
    const double in = measure(master, slave, false);
    std::printf("raw pseudo-terminal, %zu bytes: one write() a byte %.0f bytes/s, one read() a byte %.0f bytes/s\n",
                bytes, out, in);
    close(master);
    close(slave);
}

// A session with promsim on port `number`, every message box and file dialog answered.
struct Session {
    Session(int number, const std::vector<std::string> &options) : sim(options)
    {
        setenv(("ZMHW_COM" + std::to_string(number)).c_str(), sim.Path().c_str(), 1);
        form = std::make_unique<TForm_main>(std::vector<std::string>{"-i-", "-p" + std::to_string(number)},
                                            std::string(ZM_BIN_DIR) + "/zm32");
        form->resize(680, 440);
        form->show();
        zmtest::PumpUntil([&] { return form->session.port != 0; }, 10000);
    }
    bool Ready() const { return form && form->session.port != 0; }

    // Runs a transfer; `probe` is called whenever the transfer processes messages.
    Clock::duration Run(QAction *TForm_main::*item, const std::string &path, const std::function<void()> &probe)
    {
        form->fileDialogAnswer = [path](const FileDialog *) { return path; };
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, probe);
        tick.start(0);
        const auto start = Clock::now();
        (form.get()->*item)->trigger();
        return Clock::now() - start;
    }

    zmtest::PromsimRunner sim;
    std::unique_ptr<TForm_main> form;
    zmtest::BoxAnswerer boxes;
};

// When a count shown while the transfer processes messages first and last changed. A count
// that stays (during the quiet time at the end, or in a message box) does not stretch the span.
struct Span {
    void See(bool seen, long long count)
    {
        if (!seen || (first && count == lastCount))
            return;
        const auto now = Clock::now();
        if (!first) {
            first = now;
            firstCount = count;
        }
        last = now;
        lastCount = count;
    }
    double Rate(double unit) const
    {
        return first && last > *first ? (lastCount - firstCount) * unit / Seconds(last - *first) : 0;
    }
    std::optional<Clock::time_point> first;
    Clock::time_point last;
    long long firstCount = 0, lastCount = 0;
};

void Report(const char *what, double rate, const char *unit, double target, double lineRate, double total)
{
    std::printf("%s: %.0f %s/s (%.1fx 115200 baud's %.0f/s; target %.0f: %s); whole command %.2f s\n", what, rate,
                unit, rate / lineRate, lineRate, target, rate >= target ? "met" : "NOT met", total);
}

// The same transfer through zmcli, a process of its own against a fresh simulator; its whole
// run (start, open, transfer, close) beside the window's whole command.
void Beside(const char *what, double windowSeconds, int number, const std::vector<std::string> &simOptions,
            const std::vector<std::string> &args, const std::function<bool()> &same)
{
    zmtest::PromsimRunner sim(simOptions);
    if (!zmtest::IsPseudoTerminal(sim.Path()))
        return;
    setenv(("ZMHW_COM" + std::to_string(number)).c_str(), sim.Path().c_str(), 1);
    std::vector<std::string> argv{zmtest::BinPath("zmcli"), "-i-", "-p" + std::to_string(number), "--quiet"};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto start = Clock::now();
    const zmtest::ProcessResult r = zmtest::RunProcess(argv);
    const double took = Seconds(Clock::now() - start);
    std::printf("  zmcli %s: %.2f s for the whole program beside the window's %.2f s (%.2fx; at least as fast: %s)%s\n",
                what, took, windowSeconds, windowSeconds / took, took <= windowSeconds * 1.02 ? "yes" : "NO",
                r.status == 0 && same() ? "" : " [transfer failed]");
}

double Download(const std::string &dir, int number, bool echo)
{
    const std::string hex = dir + "/image.hex";
    Session s(number, {"--rate", "0", "--size", "10000", "--save", dir + "/saved.bin"});
    if (!s.Ready())
        return 0;
    s.form->session.settings.echo = echo;
    // Lines are counted where messages are processed: after each line and after its CR LF.
    Span span;
    long long points = 0;
    const auto took = s.Run(&TForm_main::DownloadHex, hex, [&] {
        if (!s.form->BitBtn_Stop->isHidden())
            span.See(true, ++points);
    });
    const std::string text = ReadFile(hex);
    const double lineChars = double(text.size()) / double(std::count(text.begin(), text.end(), '\n'));
    const bool same = zmtest::PumpUntil([&] { return ReadFile(dir + "/saved.bin") == ReadFile(dir + "/image.bin"); }, 10000);
    char what[96];
    std::snprintf(what, sizeof what, "download hex, echo %s, %zu characters%s", echo ? "on" : "off",
                  text.size(), same ? "" : " [memory differs]");
    Report(what, span.Rate(lineChars / 2), "characters", 10 * kLineRate, kLineRate, Seconds(took));
    return Seconds(took);
}

const std::vector<std::string> UploadHexSim(const std::string &dir)
{
    return {"--rate", "0", "--size", "10000", "--upload-delay", "1500", "--image", dir + "/image.bin"};
}

double UploadHex(const std::string &dir, int number)
{
    Session s(number, UploadHexSim(dir));
    if (!s.Ready())
        return 0;
    s.form->session.settings.uploadhexstop = 0xFFFF;
    Span span;
    const auto took = s.Run(&TForm_main::uploadhex, dir + "/upload.hex", [&] {
        const QString text = s.form->Label_Stat->text();
        if (text.startsWith("line "))
            span.See(true, text.mid(5).section(',', 0, 0).toLongLong());
    });
    char what[96];
    std::snprintf(what, sizeof what, "upload hex, %lld lines", span.lastCount);
    // Each line arrives as 43 characters and its CR.
    Report(what, span.Rate(44), "characters", 10 * kLineRate, kLineRate, Seconds(took));
    return Seconds(took);
}

double UploadBin(const std::string &dir, int number)
{
    Session s(number, {"--rate", "0", "--size", "10000", "--image", dir + "/image.bin"});
    if (!s.Ready())
        return 0;
    s.form->session.settings.uploadbinbytes = 0x10000;
    Span span;
    const auto took = s.Run(&TForm_main::uploadbin1, dir + "/upload.bin", [&] {
        const QString text = s.form->Label_Stat->text();
        if (text.startsWith("$") && text.endsWith(" bytes"))
            span.See(true, text.mid(1).section(' ', 0, 0).toLongLong(nullptr, 16));
    });
    const bool same = ReadFile(dir + "/upload.bin") == ReadFile(dir + "/image.bin");
    char what[96];
    std::snprintf(what, sizeof what, "upload bin, %lld bytes%s", span.lastCount, same ? "" : " [file differs]");
    Report(what, span.Rate(1), "bytes", 2 * kLineRate / 4, kLineRate / 4, Seconds(took));
    return Seconds(took);
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const zmtest::TempDir temp;
    const std::string &dir = temp.Path();
    std::string image;
    uint32_t x = 1;
    for (int i = 0; i < 0x10000; ++i) {
        x = x * 1103515245u + 12345u;
        image += static_cast<char>(x >> 23);
    }
    std::ofstream(dir + "/image.bin", std::ios::binary) << image;
    if (zmtest::RunProcess({zmtest::BinPath("morvel"), dir + "/image.bin", dir + "/image.hex", "-1"}).status != 0) {
        std::printf("morvel failed\n");
        return 1;
    }
    Calibrate();  // measured once per run; kept out of the download's figures
    // An argument picks the measurements whose name contains it: raw, download, hex, bin.
    const std::string only = argc > 1 ? argv[1] : "";
    const auto wanted = [&only](const char *name) { return std::string(name).find(only) != std::string::npos; };
    if (wanted("raw"))
        RawPty(200000);
    const auto sameAs = [&dir](const std::string &a, const std::string &b) {
        return [a, b, &dir] { return ReadFile(dir + "/" + a) == ReadFile(dir + "/" + b); };
    };
    if (wanted("download")) {
        const double window = Download(dir, 71, true);
        Download(dir, 72, false);
        std::remove((dir + "/saved.bin").c_str());
        Beside("download hex", window, 75, {"--rate", "0", "--size", "10000", "--save", dir + "/saved.bin"},
               {"download", dir + "/image.hex"}, sameAs("saved.bin", "image.bin"));
    }
    if (wanted("upload hex")) {
        const double window = UploadHex(dir, 73);
        Beside("upload hex", window, 76, UploadHexSim(dir), {"upload-hex", dir + "/cli.hex", "--stop", "FFFF"},
               sameAs("cli.hex", "upload.hex"));
    }
    if (wanted("upload bin")) {
        const double window = UploadBin(dir, 74);
        Beside("upload bin", window, 77, {"--rate", "0", "--size", "10000", "--image", dir + "/image.bin"},
               {"upload-bin", dir + "/cli.bin", "--bytes", "10000"}, sameAs("cli.bin", "image.bin"));
    }
    return 0;
}
