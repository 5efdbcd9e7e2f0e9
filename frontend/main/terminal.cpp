// Terminal mode: received bytes into the pane, typed keys and Stop out to the session.
#include <QSocketNotifier>

#include "linewait.h"
#include "tform_main.h"
#include "terminalpane.h"
#include "waitpumping.h"

namespace {

// How often a lost line is looked for again: the session tries at most this often anyway.
constexpr int kLostLineWakeMs = 1000;
// How often the terminal looks at a line that no notifier watches (Windows' port handle).
constexpr int kUnwatchedLineWakeMs = 10;

}  // namespace

// Received bytes wake the loop through the line's notifier, and the idle handler drains
// them; nothing else wakes an idle window, but for a lost line, looked for once a second.
void TForm_main::SetReceiveDisplay(bool on)
{
    receiveDisplay_ = on;
    if (on)
        idle_.SetHandler([this] { DrainReceived(); });
    else
        idle_.SetHandler({});
    SyncLineNotifier();
}

// The notifier follows the library's descriptor, which changes with every reopening.
QSocketNotifier *TForm_main::LineNotifier()
{
    const int line = session_.LineDescriptor();
    if (lineNotifier_ && int(lineNotifier_->socket()) != line) {
        delete lineNotifier_;
        lineNotifier_ = nullptr;
    }
    if (!lineNotifier_ && line >= 0 && linewait::Watchable()) {
        lineNotifier_ = new QSocketNotifier(line, QSocketNotifier::Read, this);
        lineNotifier_->setEnabled(false);
        // Outside the terminal and the transfers' waits nobody reads the line: a byte there
        // would wake the loop again and again.
        connect(lineNotifier_, &QSocketNotifier::activated, this, [this] {
            if (!receiveDisplay_ && !WaitingForLine())
                lineNotifier_->setEnabled(false);
        });
    }
    return lineNotifier_;
}

void TForm_main::SyncLineNotifier()
{
    if (QSocketNotifier *notifier = LineNotifier())
        notifier->setEnabled(receiveDisplay_);
    const bool unwatched = session_.IsOpen() && !LineNotifier();
    idle_.SetWakeInterval(session_.IsLineLost() ? kLostLineWakeMs : unwatched ? kUnwatchedLineWakeMs : 0);
}

void TForm_main::DrainReceived()
{
    if (draining_)
        return;
    draining_ = true;
    // All bytes of one drain go into the pane at once; the cap then works once per batch.
    // A flood is taken in slices, so the window keeps painting and answering between them.
    std::string text;
    const bool more = session_.ReceiveForTerminal(text);
    SyncLineNotifier();
    if (!text.empty())
        RichEdit_Main->AppendCapped(QString::fromLatin1(text.data(), qsizetype(text.size())), kTerminalLines);
    draining_ = false;
    // Keep the loop from sleeping, so that the next idle moment comes at once.
    if (more)
        QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
}

void TForm_main::RichEdit_MainKeyPress(char key)
{
    session_.KeyPress(key);
}

void TForm_main::BitBtn_StopClick()
{
    session_.RequestStop();
    FocusTerminal();
}

void TForm_main::FocusTerminal()
{
    RichEdit_Main->setFocus();
}
