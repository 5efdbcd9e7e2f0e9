// Throughput of the three transfers against promsim --rate 0, through the window and through
// zmcli side by side, beside the raw rate of a
// pseudo-terminal moved one byte per call, and beside 115200 baud (11520 characters per
// second). Targets: download with echo and upload hex 115200 characters per second (10x the
// line); upload bin 5760 bytes per second (2x the line at four characters a byte).
// Then the waits: the share of a core zm32 uses while upload hex waits on a silent programmer
// and while both uploads run on a line paced like 9600 baud (promsim --rate 960; target under
// 3 %), and how close the paced uploads come to what that line allows (target within 5 %).
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "file_bytes.h"
#include "promsim_runner.h"
#include "examine_at_once.h"
#include "raw_line.h"
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
    if (!OpenRawPty(master, slave))
        return;
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
        zmtest::PumpUntil([&] { return form->GetSession().IsOpen(); }, 10000);
    }
    bool Ready() const { return form && form->GetSession().IsOpen(); }

    // Runs a transfer; `probe` is called whenever the transfer processes messages, or at most
    // every `probeMs` (a zero timer keeps every waiting event loop busy: no good for CPU figures).
    // Without a probe no timer runs, so that nothing of the benchmark's wakes the transfer's waits.
    Clock::duration Run(const char *item, const std::string &path, const std::function<void()> &probe = {},
                        int probeMs = 0)
    {
        form->SetFileDialogAnswer([path](const FileRequest &) { return path; });
        QTimer tick;
        if (probe) {
            QObject::connect(&tick, &QTimer::timeout, probe);
            tick.start(probeMs);
        }
        const auto start = Clock::now();
        Child<QAction>(*form, item)->trigger();
        return Clock::now() - start;
    }

    zmtest::PromsimRunner sim;
    std::unique_ptr<TForm_main> form;
    zmtest::BoxAnswerer boxes;
};

// When a count shown while the transfer processes messages first and last changed. A count
// that stays (during the quiet time at the end, or in a message box) does not stretch the span.
struct Span {
    // True when the count moved.
    bool See(bool seen, long long count)
    {
        if (!seen || (first && count == lastCount))
            return false;
        const auto now = Clock::now();
        if (!first) {
            first = now;
            firstCount = count;
        }
        last = now;
        lastCount = count;
        return true;
    }
    double Rate(double unit) const
    {
        return first && last > *first ? (lastCount - firstCount) * unit / Seconds(last - *first) : 0;
    }
    std::optional<Clock::time_point> first;
    Clock::time_point last;
    long long firstCount = 0, lastCount = 0;
};

// The counts the uploads show on the status line: "$n bytes" (hexadecimal) and "line n, ...".
// The status line's count; from the label itself where it was looked up once (the paced runs
// measure zm32's share of a core, and a search of the window's children costs too).
std::optional<long long> BytesShown(const QLabel &status)
{
    const QString text = status.text();
    if (!text.startsWith("$") || !text.endsWith(" bytes"))
        return std::nullopt;
    return text.mid(1).section(' ', 0, 0).toLongLong(nullptr, 16);
}

std::optional<long long> LinesShown(const QLabel &status)
{
    const QString text = status.text();
    if (!text.startsWith("line "))
        return std::nullopt;
    return text.mid(5).section(',', 0, 0).toLongLong();
}

// CPU time of this process, which runs zm32's window and session (promsim runs apart).
double CpuSeconds()
{
    std::ifstream in("/proc/self/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields 14 and 15 (user and system time); the name before them, in parentheses, may hold blanks.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14)
            ticks += std::stod(field);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// The share of a core used between the first and the last Mark.
struct CpuShare {
    void Mark()
    {
        const auto now = Clock::now();
        const double cpu = CpuSeconds();
        if (!first) {
            first = now;
            firstCpu = cpu;
        }
        last = now;
        lastCpu = cpu;
    }
    double Seconds() const { return first ? ::Seconds(last - *first) : 0; }
    double Percent() const { return Seconds() > 0 ? 100 * (lastCpu - firstCpu) / Seconds() : 0; }
    std::optional<Clock::time_point> first;
    Clock::time_point last;
    double firstCpu = 0, lastCpu = 0;
};

void ReportCpu(const char *what, const CpuShare &cpu)
{
    std::printf("%s: zm32 used %.1f %% of a core over %.1f s (target under 3 %%: %s)\n", what, cpu.Percent(),
                cpu.Seconds(), cpu.Percent() < 3 ? "met" : "NOT met");
}

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
    auto sim = std::make_unique<zmtest::PromsimRunner>(simOptions);
    if (!zmtest::IsPseudoTerminal(sim->Path()))
        return;
    setenv(("ZMHW_COM" + std::to_string(number)).c_str(), sim->Path().c_str(), 1);
    std::vector<std::string> argv{zmtest::BinPath("zmcli"), "-i-", "-p" + std::to_string(number), "--quiet"};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto start = Clock::now();
    const zmtest::ProcessResult r = zmtest::RunProcess(argv);
    const double took = Seconds(Clock::now() - start);
    // The simulator may still be taking the last bytes in: its memory is saved when it ends.
    sim.reset();
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
    s.form->GetSession().Settings().echo = echo;
    // Lines are counted where messages are processed: after each line and after its CR LF.
    Span span;
    long long points = 0;
    const auto took = s.Run("DownloadHex", hex, [&] {
        if (!Child<QPushButton>(*s.form, "BitBtn_Stop")->isHidden())
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
    s.form->GetSession().Settings().uploadhexstop = 0xFFFF;
    Span span;
    const auto took = s.Run("uploadhex", dir + "/upload.hex", [&] {
        if (const auto lines = LinesShown(*Child<QLabel>(*s.form, "Label_Stat")))
            span.See(true, *lines);
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
    s.form->GetSession().Settings().uploadbinbytes = 0x10000;
    Span span;
    const auto took = s.Run("uploadbin1", dir + "/upload.bin", [&] {
        if (const auto count = BytesShown(*Child<QLabel>(*s.form, "Label_Stat")))
            span.See(true, *count);
    });
    const bool same = ReadFile(dir + "/upload.bin") == ReadFile(dir + "/image.bin");
    char what[96];
    std::snprintf(what, sizeof what, "upload bin, %lld bytes%s", span.lastCount, same ? "" : " [file differs]");
    Report(what, span.Rate(1), "bytes", 2 * kLineRate / 4, kLineRate / 4, Seconds(took));
    return Seconds(took);
}

// Upload hex on a programmer that never answers: 9 s of its 10 s wait for the first byte
// (which runs from 1.4 s after the command to 11.4 s), sampled by a thread of its own, since
// the wait need not process messages.
void UploadHexSilent(const std::string &dir, int number)
{
    Session s(number, {"--silent"});
    if (!s.Ready())
        return;
    CpuShare cpu;
    std::thread sampler([&cpu] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        cpu.Mark();
        std::this_thread::sleep_for(std::chrono::seconds(9));
        cpu.Mark();
    });
    s.Run("uploadhex", dir + "/silent.hex");
    sampler.join();
    ReportCpu("upload hex, silent programmer, the wait for data", cpu);
}

// Calls `seen` whenever `widget` paints: a probe of the status line that, unlike a timer,
// wakes none of the window's waits (the paced runs measure zm32's share of a core).
class OnPaint : public QObject {
public:
    OnPaint(QWidget *widget, std::function<void()> seen) : widget_(widget), seen_(std::move(seen))
    {
        widget_->installEventFilter(this);
    }
    ~OnPaint() override { widget_->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            seen_();
        return false;
    }

private:
    QWidget *widget_;
    std::function<void()> seen_;
};

// Both uploads on a line paced like 9600 baud: how close they come to its pace, at what cost.
void UploadsPaced(const std::string &dir, int number)
{
    constexpr double kRate = 960;
    {
        Session s(number, {"--rate", "960", "--size", "10000", "--image", dir + "/image.bin"});
        if (!s.Ready())
            return;
        s.form->GetSession().Settings().uploadbinbytes = 0x200;
        QLabel *status = Child<QLabel>(*s.form, "Label_Stat");
        Span span;
        CpuShare cpu;
        const OnPaint probe(status, [&] {
            // The share of a core is read only when the count moves: reading it costs too.
            if (const auto count = BytesShown(*status); count && span.See(true, *count))
                cpu.Mark();
        });
        s.Run("uploadbin1", dir + "/paced.bin");
        s.form->GetSession().Close();
        // Each byte is answered with CR LF, four address digits, "=" and two digits: at most
        // 960 / 9 bytes a second; promsim's own pace shows with a client that answers at once.
        const double atOnce = ExamineAtOnce(s.sim.Path(), 0x100).rate;
        std::printf("upload bin at 960 bytes/s, %lld bytes: %.1f bytes/s; a client answering at once %.1f, "
                    "9 characters a byte %.1f (%.1f %% of the client's; target over 95 %%: %s)\n",
                    span.lastCount, span.Rate(1), atOnce, kRate / 9, 100 * span.Rate(1) / atOnce,
                    span.Rate(1) > 0.95 * atOnce ? "met" : "NOT met");
        ReportCpu("upload bin at 960 bytes/s", cpu);
    }
    {
        // 2 KiB: 128 records and the end record, then the quiet time ends the upload.
        Session s(number + 1, {"--rate", "960", "--size", "800", "--upload-delay", "1500", "--image",
                               dir + "/image2k.bin"});
        if (!s.Ready())
            return;
        s.form->GetSession().Settings().uploadhexstop = 0xFFFF;
        QLabel *status = Child<QLabel>(*s.form, "Label_Stat");
        Span span;
        CpuShare cpu;
        const OnPaint probe(status, [&] {
            // The share of a core is read only when the count moves: reading it costs too.
            if (const auto lines = LinesShown(*status); lines && span.See(true, *lines))
                cpu.Mark();
        });
        s.Run("uploadhex", dir + "/paced.hex");
        const double rate = span.Rate(44);
        std::printf("upload hex at 960 bytes/s, %lld lines: %.1f characters/s of the %.0f the line allows (%.1f %%; "
                    "target over 95 %%: %s)\n",
                    span.lastCount, rate, kRate, 100 * rate / kRate, rate > 0.95 * kRate ? "met" : "NOT met");
        ReportCpu("upload hex at 960 bytes/s", cpu);
    }
}

// zmcli verify of 2000 hex bytes beside zmcli upload-bin of the same range: the same examine
// pass, so the same time. Alternating runs, each against a fresh simulator; medians compared.
void VerifyBesideUploadBin(const std::string &dir, int number)
{
    const std::string range = dir + "/verify.bin";
    std::ofstream(range, std::ios::binary) << ReadFile(dir + "/image.bin").substr(0, 0x2000);
    const auto run = [&](const std::vector<std::string> &args) {
        zmtest::PromsimRunner sim({"--rate", "0", "--size", "10000", "--image", dir + "/image.bin"});
        if (!zmtest::IsPseudoTerminal(sim.Path()))
            return -1.0;
        setenv(("ZMHW_COM" + std::to_string(number)).c_str(), sim.Path().c_str(), 1);
        std::vector<std::string> argv{zmtest::BinPath("zmcli"), "-i-", "-p" + std::to_string(number), "--quiet"};
        argv.insert(argv.end(), args.begin(), args.end());
        const auto start = Clock::now();
        const int status = zmtest::RunProcess(argv).status;
        return status == 0 ? Seconds(Clock::now() - start) : -1.0;
    };
    std::vector<double> verify, upload;
    for (int i = 0; i < 5; ++i) {
        upload.push_back(run({"upload-bin", dir + "/verify-back.bin", "--start", "0", "--bytes", "2000"}));
        verify.push_back(run({"verify", range, "--binary", "--start", "0"}));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double v = median(verify), u = median(upload);
    // The fastest runs too: on a shared machine the load of the moment is in every median.
    const double vMin = *std::min_element(verify.begin(), verify.end());
    const double uMin = *std::min_element(upload.begin(), upload.end());
    std::printf("zmcli verify of 2000 hex bytes: %.3f s; upload-bin of the same range: %.3f s (median of 5 each; "
                "verify/upload-bin %.3f; within 5 %%: %s); fastest %.3f s and %.3f s (%.3f)%s\n",
                v, u, v / u, v <= u * 1.05 ? "yes" : "NO", vMin, uMin, vMin / uMin,
                vMin < 0 || uMin < 0 ? " [a run failed]" : "");
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const zmtest::TempDir temp;
    const std::string &dir = temp.Path();
    const std::string image = zmtest::PseudoRandomImage(0x10000);
    std::ofstream(dir + "/image.bin", std::ios::binary) << image;
    std::ofstream(dir + "/image2k.bin", std::ios::binary) << image.substr(0, 0x800);
    if (zmtest::RunProcess({zmtest::BinPath("morvel"), dir + "/image.bin", dir + "/image.hex", "-1"}).status != 0) {
        std::printf("morvel failed\n");
        return 1;
    }
    Calibrate();  // measured once per run; kept out of the download's figures
    // An argument picks the measurements whose name contains it: raw, download, hex, bin,
    // verify, silent, paced.
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
    if (wanted("verify"))
        VerifyBesideUploadBin(dir, 80);
    if (wanted("upload hex silent"))
        UploadHexSilent(dir, 78);
    if (wanted("uploads paced"))
        UploadsPaced(dir, 79);
    return 0;
}
