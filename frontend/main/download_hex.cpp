// "download hex": sends an Intel hex file to the programmer line by line, paced and echoed,
// stoppable between lines. The programmer's answers are not read, only discarded at the end.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <cstdio>

#include "helpers.h"
#include "tform_main.h"
#include "zmhwcomm.h"

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

// The echo of what the download sends. It reaches the pane only where messages are processed
// (the window repaints nowhere else), and there at most every kEchoMs: a repaint for every
// line would cost several times the sending, and faster than that no screen shows it anyway.
// A key typed meanwhile is shown after everything sent before it.
class DownloadEcho : public QObject {
public:
    explicit DownloadEcho(TForm_main &form) : form_(form)
    {
        form_.RichEdit_Main->installEventFilter(this);
        sinceShown_.start();
    }
    ~DownloadEcho() override
    {
        form_.RichEdit_Main->removeEventFilter(this);
        Show();
    }

    void Add(uint8_t c)
    {
        if (form_.Echoes(c))
            pending_ += form_.DisplayText(c);
    }
    void Show()
    {
        if (!pending_.isEmpty())
            form_.RichEdit_Main->AppendCapped(pending_, TForm_main::kTerminalLines);
        pending_.clear();
        sinceShown_.restart();
    }
    void ProcessMessages()
    {
        if (sinceShown_.elapsed() >= kEchoMs)
            Show();
        QCoreApplication::processEvents();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            Show();
        return QObject::eventFilter(watched, event);
    }

private:
    static constexpr qint64 kEchoMs = 20;
    TForm_main &form_;
    QString pending_;
    QElapsedTimer sinceShown_;
};

// Sends the text byte by byte as SendChar does (SendString when paced: delayms after each
// byte, then messages are processed), but stops at the first failed send and returns its
// result.
int32_t SendEchoed(TForm_main &form, DownloadEcho &echo, const std::string &text, bool paced)
{
    int32_t result = 0;
    for (const char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        result = form.bytes.SendByte(c);
        if (result < 0)
            break;
        echo.Add(c);
        if (paced)
            DelayMs(form.settings.delayms);
    }
    if (paced)
        echo.ProcessMessages();
    return result;
}

} // namespace

void TForm_main::DownloadHexClick()
{
    const std::string path = RunFileDialog(OpenDialog_Hex);
    if (path.empty())
        return;
    Calibrate();
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        ShowError("Couldn't open \"%s\" for read", {path});
        return;
    }
    BeginTransfer();
    ShowChar(13);
    ShowChar(10);
    echoControls = settings.echo;
    SetReceiveDisplay(false);

    HexLineReader reader(file);
    int32_t sent = 0;
    {
        DownloadEcho echo(*this);
        sent = SendEchoed(*this, echo, "I", false);
        echo.Show();
        if (sent >= 0) {
            WaitPumping(200);
            sent = SendEchoed(*this, echo, "T", false);
            echo.Show();
        }
        if (sent >= 0) {
            WaitPumping(200);
            BeginStoppable();
            std::string line;
            while (reader.Next(line)) {
                if (line.compare(0, 3, ":00") == 0)
                    line = kEndRecord;
                sent = SendEchoed(*this, echo, line, true);
                if (sent < 0 || stopRequested)
                    break;
                sent = SendEchoed(*this, echo, "\r\n", true);
                if (sent < 0 || stopRequested)
                    break;
            }
        }
    }
    if (sent < 0)
        ShowError("Couldn't send to the programmer (%d)", {sent});
    else if (reader.Failed())
        ShowError("Couldn't read \"%s\"", {path});

    zmhwQ_CLEAR(port);
    echoControls = false;
    SendChar(13);
    EndStoppable();
    std::fclose(file);
    SetReceiveDisplay(true);
    EndTransfer();
}
