// "download hex": sends an Intel hex file to the programmer line by line, paced and echoed,
// stoppable between lines. The programmer's answers are not read during it, only taken at the end.
#include <chrono>
#include <cstdio>
#include <functional>

#include "format.h"
#include "session.h"

namespace {

constexpr size_t kMaxLine = 401;
const char kEndRecord[] = ":00000001FF";

// Lines of the hex file. A line ends at CR, at CR LF or at a lone LF, so files from any
// system send the same records; a last line without a line end counts too. A longer text
// goes out in pieces of kMaxLine characters.
class HexLineReader {
public:
    explicit HexLineReader(std::FILE *file) : file_(file) {}

    // False at the end of input or at a read error (see Failed).
    bool Next(std::string &line)
    {
        line.clear();
        for (;;) {
            const int c = std::fgetc(file_);
            if (c == EOF)
                return !line.empty() && !Failed();
            const bool afterCr = afterCr_;
            afterCr_ = c == '\r';
            if (c == '\n' && afterCr)
                continue;  // the LF of a CR LF
            if (c == '\r' || c == '\n')
                return true;
            line += static_cast<char>(c);
            if (line.size() >= kMaxLine)
                return true;
        }
    }
    bool Failed() const { return std::ferror(file_) != 0; }

private:
    std::FILE *file_;
    bool afterCr_ = false;
};

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
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        host_.ShowError(FormatGuarded("Couldn't open \"%s\" for read", {path}));
        return TransferEnd::FileNotOpened;
    }
    const TransferEnd end = DownloadHex(file, path);
    std::fclose(file);
    return end;
}

TransferEnd Session::DownloadHex(std::FILE *file, const std::string &path)
{
    downloadAnswer_.clear();
    // The size for progress; a file that cannot seek (a pipe) has none.
    int64_t size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        size = std::ftell(file);
        std::rewind(file);
    }
    std::clearerr(file);
    BeginTransfer();
    // Hex shows only bytes that went out.
    if (!pane_.Hex())
        host_.ShowEcho(DisplayText("\r\n", false));
    echoControls_ = settings_.echo;

    HexLineReader reader(file);
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
            while (reader.Next(line)) {
                if (line.compare(0, 3, ":00") == 0)
                    line = kEndRecord;
                sent = SendEchoed(echo, line, true);
                if (sent < 0 || (stopped = stopRequested_))
                    break;
                sent = SendEchoed(echo, "\r\n", true);
                if (sent < 0 || (stopped = stopRequested_))
                    break;
                host_.ShowProgress(std::ftell(file), size);
            }
        }
    }
    const bool readFailed = sent >= 0 && reader.Failed();
    if (sent < 0)
        host_.ShowError(FormatGuarded("Couldn't send to the programmer (%d)", {sent}));
    else if (readFailed)
        host_.ShowError(FormatGuarded("Couldn't read \"%s\"", {path}));

    bool lostNow = false;
    downloadAnswer_ = connection_.TakeReceived(lostNow);
    if (lostNow)
        SayLost();
    echoControls_ = false;
    SendChar(13);
    EndStoppable();
    EndTransfer();
    if (sent < 0 || readFailed)
        return TransferEnd::Failed;
    return stopped ? TransferEnd::Stopped : TransferEnd::Completed;
}
