// How fast the terminal pane keeps up with received text, how soon a byte appears, and what
// an idle window costs (also with its line lost), against 115200 baud (11520 characters per
// second).
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "promsim_runner.h"
#include "raw_line.h"
#include "tform_main.h"
#include "window_test_support.h"

using zmtest::PtyPeer;
using zmtest::PumpUntil;

namespace {

constexpr double kLineRate = 11520.0;  // characters per second at 115200 baud, 8N1
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::unique_ptr<TForm_main> StartForm(int port)
{
    auto form = zmtest::MakeForm({"-i-", "-p" + std::to_string(port)});
    PumpUntil([&] { return form->GetSession().IsOpen(); }, 10000);
    return form;
}

bool LastLineHas(const TForm_main &form, const QString &text)
{
    const QTextDocument *doc = Child<TerminalPane>(form, "RichEdit_Main")->document();
    return doc->lastBlock().text().contains(text) ||
           (doc->lastBlock().previous().isValid() && doc->lastBlock().previous().text().contains(text));
}

// The longest the event loop went without running a 1 ms timer while `run` was pumping.
struct LoopWatch {
    LoopWatch()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest = std::max(longest, now - last);
            last = now;
        });
        timer.start(1);
    }
    QTimer timer;
    Clock::time_point last = Clock::now();
    Clock::duration longest{};
};

// What promsim sends for "I" "U" "0": read once straight from its line, to count it.
size_t UploadSize(const std::string &path)
{
    const int fd = OpenRawLine(path);
    if (fd < 0)
        return 0;
    write(fd, "IU0", 3);
    size_t total = 0;
    std::string tail;
    char buf[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0)
            break;
        ssize_t k = read(fd, buf, sizeof buf);
        if (k <= 0)
            break;
        total += size_t(k);
        tail = (tail + std::string(buf, size_t(k)));
        if (tail.size() > 64)
            tail = tail.substr(tail.size() - 64);
        if (tail.find(":00000001FF\r\r\n>") != std::string::npos)
            break;
    }
    close(fd);
    return total;
}

void PromsimFlood()
{
    const std::vector<std::string> options{"--rate", "0", "--upload-delay", "0", "--size", "40000"};
    size_t bytes = 0;
    {
        zmtest::PromsimRunner counter(options);
        bytes = UploadSize(counter.Path());
    }
    zmtest::PromsimRunner sim(options);
    setenv("ZMHW_COM61", sim.Path().c_str(), 1);
    auto form = StartForm(61);
    if (!form->GetSession().IsOpen() || !bytes) {
        std::printf("promsim flood: could not start (%zu bytes counted)\n", bytes);
        return;
    }
    // The prompt of the start, "I" and its prompt: then the upload.
    SessionProbe::SendChar(form->GetSession(), 'I');
    PumpUntil([&] { return Child<TerminalPane>(*form, "RichEdit_Main")->toPlainText().count('>') >= 2; }, 5000);
    Child<TerminalPane>(*form, "RichEdit_Main")->clear();
    LoopWatch watch;
    const auto start = Clock::now();
    SessionProbe::SendChar(form->GetSession(), 'U');
    SessionProbe::SendChar(form->GetSession(), '0');
    const bool done = PumpUntil([&] { return LastLineHas(*form, ":00000001FF"); }, 120000);
    const double seconds = Ms(Clock::now() - start) / 1000.0;
    const double rate = bytes / seconds;
    std::printf("promsim --rate 0 upload, %zu characters received: %.2f s, %.0f characters/s shown "
                "(%.1fx 115200 baud's %.0f/s)%s\n",
                bytes, seconds, rate, rate / kLineRate, kLineRate, done ? "" : " [did not finish]");
    std::printf("  pane after it: %d lines as shown (cap 200); longest the event loop was held: %.1f ms\n",
                Child<TerminalPane>(*form, "RichEdit_Main")->ShownLineCount(), Ms(watch.longest));
}

void PeerFlood()
{
    PtyPeer pty;
    auto form = StartForm(pty.Number());
    if (!form->GetSession().IsOpen()) {
        std::printf("own flood: could not start\n");
        return;
    }
    std::string text;
    const int lines = 40000;
    char line[64];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "%06d the quick brown fox jumps over the lazy dog\r\n", i);
        text += line;
    }
    LoopWatch watch;
    const auto start = Clock::now();
    std::thread writer([&] { pty.Write(text); });
    std::snprintf(line, sizeof line, "%06d the quick", lines - 1);
    const bool done = PumpUntil([&] { return LastLineHas(*form, line); }, 120000);
    const double seconds = Ms(Clock::now() - start) / 1000.0;
    writer.join();
    const double rate = text.size() / seconds;
    std::printf("own pty flood, %zu characters in %d lines: %.2f s, %.0f characters/s shown "
                "(%.1fx 115200 baud's %.0f/s)%s\n",
                text.size(), lines, seconds, rate, rate / kLineRate, kLineRate, done ? "" : " [did not finish]");
    std::printf("  longest the event loop was held: %.1f ms\n", Ms(watch.longest));
}

void Delay()
{
    PtyPeer pty;
    auto form = StartForm(pty.Number());
    if (!form->GetSession().IsOpen()) {
        std::printf("delay: could not start\n");
        return;
    }
    const int samples = 100;
    std::vector<double> delays;
    std::atomic<int64_t> sentAt{0};
    int shown = 0;
    // No timer of our own here: it would wake the loop and shorten the delay.
    QEventLoop loop;
    QObject::connect(Child<TerminalPane>(*form, "RichEdit_Main")->document(), &QTextDocument::contentsChanged, form.get(), [&] {
        const int64_t t = sentAt.exchange(0);
        if (t) {
            delays.push_back(Ms(Clock::now().time_since_epoch() - Clock::duration(t)));
            if (++shown >= samples)
                loop.quit();
        }
    });
    std::thread writer([&] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pause(20, 60);
        for (int i = 0; i < samples; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
            sentAt = Clock::now().time_since_epoch().count();
            write(pty.Master(), "x", 1);
        }
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    writer.join();
    std::sort(delays.begin(), delays.end());
    if (delays.empty())
        return;
    std::printf("arrival to display, %zu single bytes at random moments: median %.2f ms, 95%% %.2f ms, "
                "max %.2f ms (target under 20 ms; one character at 115200 baud takes %.3f ms)\n",
                delays.size(), delays[delays.size() / 2], delays[delays.size() * 95 / 100], delays.back(),
                1000.0 / kLineRate);
}

// The transfers echo what they send one byte at a time through ShowChar.
void SingleBytes()
{
    auto form = zmtest::MakeForm({"-i-"});
    FormProbe::Idle(*form).SetHandler({});
    QCoreApplication::processEvents();
    const std::string line = ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r\n";
    const int lines = 2000;
    CharNameState named;
    const auto start = Clock::now();
    for (int i = 0; i < lines; ++i)
        for (unsigned char c : line)
            FormProbe::ShowEcho(*form, CharName(named, c, false));
    const double seconds = Ms(Clock::now() - start) / 1000.0;
    const double rate = lines * line.size() / seconds;
    std::printf("ShowEcho one byte at a time (a download's echo), %zu characters: %.0f characters/s "
                "(%.1fx 115200 baud's %.0f/s)\n",
                lines * line.size(), rate, rate / kLineRate, kLineRate);
}

// What the window costs while nothing happens, over 10 s: the share of a core and how often
// the event loop wakes (target under 0.3 % and under 10 a second): on a live line, on a lost one
// (the programmer gone; zm32 tries to open the port again once a second), and after a failed open.
void Idle()
{
    const auto measure = [](const char *what) {
        rusage before{}, after{};
        int wakes = 0;
        const auto counter = QObject::connect(QAbstractEventDispatcher::instance(),
                                              &QAbstractEventDispatcher::awake, [&wakes] { ++wakes; });
        // The window alone: no benchmark timers, only the loop.
        getrusage(RUSAGE_SELF, &before);
        const auto start = Clock::now();
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        getrusage(RUSAGE_SELF, &after);
        QObject::disconnect(counter);
        auto cpu = [](const rusage &r) {
            return r.ru_utime.tv_sec * 1e3 + r.ru_utime.tv_usec / 1e3 + r.ru_stime.tv_sec * 1e3 +
                   r.ru_stime.tv_usec / 1e3;
        };
        const double seconds = Ms(Clock::now() - start) / 1000;
        const double percent = 100.0 * (cpu(after) - cpu(before)) / (seconds * 1000);
        std::printf("%s: %.2f %% of a core, %.1f wake-ups a second over %.1f s (targets under 0.3 %% and 10: %s)\n",
                    what, percent, wakes / seconds, seconds, percent < 0.3 && wakes / seconds < 10 ? "met" : "NOT met");
    };
    {
        PtyPeer pty;
        auto form = StartForm(pty.Number());
        measure("idle terminal window");
    }
    {
        setenv("ZMHW_COM63", "/nonexistent/zm32-bench-line", 1);
        std::unique_ptr<TForm_main> form;
        {
            // The answerer's own timer would wake the loop: gone before the measuring.
            zmtest::BoxAnswerer boxes;
            form = zmtest::MakeForm({"-i-", "-p63"});
            PumpUntil([&] { return !boxes.Texts().empty(); }, 5000);
            PumpUntil([] { return QApplication::activeModalWidget() == nullptr; }, 5000);
        }
        measure("idle window after a failed open");
    }
    auto sim = std::make_unique<zmtest::PromsimRunner>();
    setenv("ZMHW_COM62", sim->Path().c_str(), 1);
    auto form = StartForm(62);
    sim.reset();
    if (!PumpUntil([&] { return form->GetSession().IsLineLost(); }, 2000)) {
        std::printf("lost line: not seen as lost\n");
        return;
    }
    measure("idle terminal window, line lost (the port tried again every second)");
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("zm32 terminal (offscreen, pane 680x440 window, 200-line cap)\n");
    // An argument picks the measurements whose name contains it: flood, delay, single, idle.
    const std::string only = argc > 1 ? argv[1] : "";
    const auto wanted = [&only](const char *name) { return std::string(name).find(only) != std::string::npos; };
    if (wanted("promsim flood"))
        PromsimFlood();
    if (wanted("peer flood"))
        PeerFlood();
    if (wanted("delay"))
        Delay();
    if (wanted("single bytes"))
        SingleBytes();
    if (wanted("idle"))
        Idle();
    return 0;
}
