// "download hex": sends an Intel hex file to the programmer line by line, paced and echoed,
// stoppable between lines. The programmer's answers are not read during it, only taken at the end.
#include <chrono>
#include <functional>

#include "download_lines.h"
#include "format.h"
#include "image/image_read.h"
#include "session.h"

namespace {

const char kEndRecord[] = ":00000001FF";

} // namespace

// The echo of what the download sends. It reaches the host only where messages are processed
// (a window repaints nowhere else), and there at most every kEcho: a repaint for every
// line would cost several times the sending, and faster than that no screen shows it anyway.
class DownloadEcho {
public:
    DownloadEcho(std::function<void()> flush, SessionHost &host)
        : flush_(std::move(flush)), host_(host), shownAt_(Clock::now())
    {
    }
    ~DownloadEcho() { Show(); }
    DownloadEcho(const DownloadEcho &) = delete;
    DownloadEcho &operator=(const DownloadEcho &) = delete;

    void Show()
    {
        flush_();
        shownAt_ = Clock::now();
    }
    void ProcessMessages()
    {
        if (Clock::now() - shownAt_ >= kEcho)
            Show();
        host_.ProcessMessages();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kEcho{20};
    std::function<void()> flush_;
    SessionHost &host_;
    Clock::time_point shownAt_;
};

// Sends the text byte by byte as SendChar does (SendString when paced: delayms after each
// byte, then messages are processed), but stops at the first failed send and returns its
// result.
int32_t Session::SendEchoed(DownloadEcho &echo, const std::string &text, bool paced)
{
    int32_t result = 0;
    for (const char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        result = bytes_.SendByte(c);
        if (result < 0)
            break;
        EchoLater(c);
        if (paced)
            DelayMs(settings_.delayms);
    }
    if (paced)
        echo.ProcessMessages();
    return result;
}

TransferEnd Session::DownloadHex(const std::string &path)
{
    std::string text, error;
    if (ReadWholeFile(path, text, error) != ReadOutcome::Read) {
        host_.ShowError(error);
        return TransferEnd::FileNotOpened;
    }
    return DownloadHex(DownloadLines::OfText(std::move(text)));
}

TransferEnd Session::DownloadHex(DownloadLines lines)
{
    downloadAnswer_.clear();
    BeginTransfer();
    // Hex shows only bytes that went out.
    if (!pane_.Hex())
        host_.ShowEcho(DisplayText("\r\n", false));
    echoControls_ = settings_.echo;

    int32_t sent = 0;
    bool stopped = false;
    {
        DownloadEcho echo([this] { FlushEcho(); }, host_);
        sent = SendEchoed(echo, "I", false);
        echo.Show();
        if (sent >= 0) {
            host_.WaitPumping(200);
            sent = SendEchoed(echo, "T", false);
            echo.Show();
        }
        if (sent >= 0) {
            host_.WaitPumping(200);
            BeginStoppable();
            std::string line;
            while (lines.Next(line)) {
                if (line.compare(0, 3, ":00") == 0)
                    line = kEndRecord;
                sent = SendEchoed(echo, line, true);
                if (sent < 0 || (stopped = stopRequested_))
                    break;
                sent = SendEchoed(echo, "\r\n", true);
                if (sent < 0 || (stopped = stopRequested_))
                    break;
                host_.ShowProgress(lines.Done(), lines.Size());
            }
        }
    }
    if (sent < 0)
        host_.ShowError(FormatGuarded("Couldn't send to the programmer (%d)", {sent}));

    bool lostNow = false;
    downloadAnswer_ = connection_.TakeReceived(lostNow);
    if (lostNow)
        SayLost();
    echoControls_ = false;
    SendChar(13);
    EndStoppable();
    EndTransfer();
    if (sent < 0)
        return TransferEnd::Failed;
    return stopped ? TransferEnd::Stopped : TransferEnd::Completed;
}
