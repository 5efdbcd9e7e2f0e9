// A running transfer keeps the other transfers, the busy test, log and clear closed, a close of the
// window waits for the transfer to end and write its file, and the window answers while a
// transfer waits for the programmer.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "transfer_test_support.h"

using namespace zmtest;

namespace {

const std::string kLine = ":10000000000102030405060708090A0B0C0D0E0F78";

std::string ManyLines(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += kLine + "\r\n";
    return text;
}

// Runs `probe` once, at the first moment the transfer processes messages with Stop shown;
// notes whether the progress bar showed, and the status line's least width beside it.
class DuringTransfer {
public:
    DuringTransfer(TForm_main &form, std::function<void()> probe)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this, &form, probe] {
            if (!Child<QProgressBar>(form, "ProgressBar_Transfer")->isHidden()) {
                progressSeen_ = true;
                statusWidth_ = std::min(statusWidth_, Child<QLabel>(form, "Label_Stat")->width());
            }
            if (!done_ && !Child<QPushButton>(form, "BitBtn_Stop")->isHidden()) {
                done_ = true;
                probe();
            }
        });
        timer_.start(1);
    }
    bool Done() const { return done_; }
    bool ProgressSeen() const { return progressSeen_; }
    int StatusWidth() const { return statusWidth_; }

private:
    QTimer timer_;
    bool done_ = false;
    bool progressSeen_ = false;
    int statusWidth_ = 10000;
};

} // namespace

TEST(TransferGuard, OtherTransfersAndTheBusyTestAreClosedWhileOneRuns)
{
    ScriptedPeer peer;
    TempDir dir;
    BoxAnswerer boxes;
    auto form = StartTerminal(peer.PortArg());
    form->GetSession().Settings().delayms = 2;
    DialogAnswers answers{{dir.Write("in.hex", ManyLines(3))}};
    answers.Install(*form);
    std::vector<bool> enabled;
    DuringTransfer probe(*form, [&] {
        for (QAction *item : {Child<QAction>(*form, "DownloadHex"), Child<QAction>(*form, "uploadbin1"), Child<QAction>(*form, "uploadhex"), Child<QAction>(*form, "testafewmilliseconds"),
                              Child<QAction>(*form, "log"), Child<QAction>(*form, "clear1"), Child<QAction>(*form, "exit1")})
            enabled.push_back(item->isEnabled());
        EXPECT_TRUE(form->GetSession().TransferRunning());
        // Disabled items do nothing when triggered.
        Child<QAction>(*form, "uploadbin1")->trigger();
        Child<QAction>(*form, "DownloadHex")->trigger();
        Child<QAction>(*form, "testafewmilliseconds")->trigger();
    });
    Child<QAction>(*form, "DownloadHex")->trigger();
    EXPECT_TRUE(probe.Done());
    EXPECT_TRUE(probe.ProgressSeen());
    // Beside the note, the progress and Stop, the status line keeps room for its texts.
    EXPECT_GE(probe.StatusWidth(), 260);
    // log and clear too: nothing may open a modal dialog inside a transfer.
    EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false, false, false, true}));
    EXPECT_EQ(answers.asked, 1u);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(peer.Finish(), "IT" + kLine + "\r\n" + kLine + "\r\n" + kLine + "\r\n\r");
    ExpectTerminalMode(*form);
    EXPECT_TRUE(form->isVisible());
}

TEST(TransferGuard, ClosingDuringATransferStopsItAndClosesOnceTheFileIsWritten)
{
    TempDir dir;
    const std::string memory(64, '\x5A');
    const std::string hexText = kLine + "\r" + kLine + "\r" + kLine + "\r";
    struct Case {
        const char *name;
        ScriptedPeer::Responder programmer;
        std::string file;
        bool viaExit;
        std::function<void(TForm_main &)> run;
        std::string wire;
        std::optional<std::string> saved;
    } cases[] = {
        {"download, window closed", {}, dir.Write("in.hex", ManyLines(5)), false,
         [](TForm_main &form) { Child<QAction>(form, "DownloadHex")->trigger(); }, "IT" + kLine + "\r", std::nullopt},
        {"upload bin, exit", Examiner(memory), dir.File("image.bin"), true,
         [](TForm_main &form) { Child<QAction>(form, "uploadbin1")->trigger(); }, "X0000\r        \r", memory.substr(0, 8)},
        // Closed before any data came: the wait for data ends at once, with nothing kept.
        {"upload hex, window closed", Uploader(hexText), dir.File("image.hex"), false,
         [](TForm_main &form) { Child<QAction>(form, "uploadhex")->trigger(); }, "IU0\r", ""},
        // The close also cuts short the slow clearing, which a chattering line would keep going.
        {"upload hex, chattering programmer, window closed", Uploader(kLine + "\r" + std::string(4000000, 'N')),
         dir.File("chatter.hex"), false, [](TForm_main &form) { Child<QAction>(form, "uploadhex")->trigger(); }, "IU0\r", ""},
    };
    for (const Case &c : cases) {
        ScriptedPeer peer(c.programmer);
        BoxAnswerer boxes;
        auto form = StartTerminal(peer.PortArg());
        form->GetSession().Settings().delayms = 2;
        DialogAnswers answers{{c.file}};
        answers.Install(*form);
        DuringTransfer closer(*form, [&] {
            if (c.viaExit)
                Child<QAction>(*form, "exit1")->trigger();
            else
                form->close();
            // The close waits; the window is still there.
            EXPECT_TRUE(form->isVisible()) << c.name;
            EXPECT_TRUE(form->GetSession().IsOpen()) << c.name;
        });
        c.run(*form);
        EXPECT_TRUE(closer.Done()) << c.name;
        EXPECT_FALSE(form->isVisible()) << c.name;
        EXPECT_FALSE(form->GetSession().IsOpen()) << c.name;
        EXPECT_FALSE(form->GetSession().TransferRunning()) << c.name;
        EXPECT_TRUE(boxes.Texts().empty()) << c.name;
        EXPECT_EQ(peer.Finish(), c.wire) << c.name;
        if (c.saved) {
            EXPECT_TRUE(std::filesystem::exists(c.file)) << c.name;
            EXPECT_EQ(ReadFile(c.file), *c.saved) << c.name;
        }
    }
}

TEST(TransferGuard, CancelledDialogSendsNothing)
{
    for (const char *item : {"DownloadHex", "uploadbin1", "uploadhex"}) {
        ScriptedPeer peer;
        BoxAnswerer boxes;
        auto form = StartTerminal(peer.PortArg());
        DialogAnswers answers{{""}};
        answers.Install(*form);
        Child<QAction>(*form, item)->trigger();
        EXPECT_EQ(answers.asked, 1u);
        EXPECT_EQ(peer.Finish(), "");
        EXPECT_TRUE(boxes.Texts().empty());
        ExpectTerminalMode(*form);
    }
}

TEST(TransferGuard, TheWindowAnswersWhileATransferWaitsForTheProgrammer)
{
    using Clock = std::chrono::steady_clock;
    // Events are posted every 37 ms for the whole transfer, so that each of its waits gets
    // some: the pumping waits after the commands, the waits for the programmer's bytes, the
    // message box, the slow clearing. Each is handled at once, not at the next look of a
    // polling wait: the waits for the programmer take most of each run, so three in four
    // within 20 ms says so, without a busy machine's stray delay failing the test.
    struct Case {
        const char *name;
        const char *item;
        std::vector<std::string> simOptions;
        int stopAtMs;  // clicks Stop then (upload hex waits 10 s for a silent programmer)
        std::vector<std::string> boxes;
    } cases[] = {
        // Stop ends a wait for data at once: no "Timed out".
        {"upload hex for its first byte", "uploadhex", {"--silent"}, 6000, {}},
        {"upload bin for the space", "uploadbin1", {"--silent"}, -1, {"missing space"}},
        // The prompt, the space and "\r\n0000=": the digits never come.
        {"upload bin for the digits", "uploadbin1", {"--stall-after", "11"}, -1, {"bad hex byte"}},
    };
    for (const Case &c : cases) {
        SimulatedProgrammer programmer(c.simOptions);
        TempDir dir;
        BoxAnswerer boxes;
        auto form = StartTerminal(programmer.PortArg());
        DialogAnswers answers{{dir.File("out")}};
        answers.Install(*form);
        std::atomic<bool> running{true};
        std::mutex lock;
        std::vector<double> delays;  // ms from posting to handling
        std::thread poster([&] {
            const Clock::time_point start = Clock::now();
            bool stopped = false;
            while (running) {
                std::this_thread::sleep_for(std::chrono::milliseconds(37));
                const Clock::time_point posted = Clock::now();
                const bool stop = !stopped && c.stopAtMs >= 0 && posted - start >= std::chrono::milliseconds(c.stopAtMs);
                stopped = stopped || stop;
                QMetaObject::invokeMethod(form.get(), [&, posted, stop] {
                    {
                        std::lock_guard<std::mutex> hold(lock);
                        delays.push_back(std::chrono::duration<double, std::milli>(Clock::now() - posted).count());
                    }
                    if (stop)
                        Child<QPushButton>(*form, "BitBtn_Stop")->click();
                }, Qt::QueuedConnection);
            }
        });
        Child<QAction>(*form, c.item)->trigger();
        running = false;
        poster.join();
        PumpFor(100);
        std::lock_guard<std::mutex> hold(lock);
        ASSERT_GT(delays.size(), 10u) << c.name;
        std::sort(delays.begin(), delays.end());
        EXPECT_LT(delays[delays.size() * 3 / 4], 20) << c.name;
        EXPECT_LT(delays[delays.size() * 9 / 10], 100) << c.name;
        EXPECT_EQ(boxes.Texts(), c.boxes) << c.name;
        EXPECT_TRUE(std::filesystem::exists(dir.File("out"))) << c.name;
        ExpectTerminalMode(*form);
    }
}
