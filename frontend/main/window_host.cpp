// What the session shows and asks of the window: the status line, message boxes, the echo
// in the pane, the Stop button, the processing of window messages, and the line's state.
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "linewait.h"
#include "messageboxes.h"
#include "terminalpane.h"
#include "tform_main.h"
#include "waitpumping.h"

void TForm_main::ShowStatus(const std::string &text)
{
    Label_Stat->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
}

void TForm_main::ShowInfo(const std::string &text)
{
    ShowInfoBox("%s", {text});
}

void TForm_main::ShowError(const std::string &text)
{
    ShowErrorBox("%s", {text});
}

void TForm_main::ShowEcho(const std::string &text)
{
    RichEdit_Main->AppendCapped(QString::fromLatin1(text.data(), qsizetype(text.size())), kTerminalLines);
}

void TForm_main::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TForm_main::WaitPumping(int32_t ms)
{
    WaitWhilePumping(ms);
}

// A quick programmer answers within a fraction of a millisecond, and on a slow line the next
// character follows within one: after the line woke the last wait, this one first sleeps on
// the line alone for a moment, cheaper than a round of the event loop. After an event it goes
// straight into the loop, so that a chain of requests (an accessibility client walking the
// window) is answered at once. The window's events are handled every few milliseconds anyway.
void TForm_main::WaitForLine(int line, int32_t ms)
{
    using Clock = std::chrono::steady_clock;
    constexpr int32_t kLineAloneMs = 3;
    constexpr auto kEventsEvery = std::chrono::milliseconds(10);
    QSocketNotifier *notifier = LineNotifier();
    if (!notifier && session_.IsOpen()) {
        // Nothing wakes the loop for the line (Windows' port handle): short waits on the line
        // alone, the events handled before each.
        constexpr int32_t kUnwatchedSliceMs = 10;
        QCoreApplication::processEvents();
        eventsHandled_ = Clock::now();
        linewait::Wait(line, std::min(ms, line >= 0 ? kUnwatchedSliceMs : 1));
        return;
    }
    if (Clock::now() - eventsHandled_ >= kEventsEvery) {
        QCoreApplication::processEvents();
        eventsHandled_ = Clock::now();
    }
    const int32_t alone = line >= 0 && lineWokeLast_ ? std::min(ms, kLineAloneMs) : 0;
    if (alone > 0 && linewait::Wait(line, alone))
        return;
    WaitForLineOrEvents(notifier, ms - alone);
    lineWokeLast_ = line >= 0 && linewait::Wait(line, 0);
    eventsHandled_ = Clock::now();
}

void TForm_main::StoppableChanged(bool stoppable)
{
    BitBtn_Stop->setVisible(stoppable);
    PlaceStatusPanel();
}

// A lost line stays said until it is back; that it is back is said for a few seconds, unless
// something else is said meanwhile.
void TForm_main::OnLineLost(const std::string &text)
{
    ShowStatus(text);
}

void TForm_main::OnLineBack(const std::string &text)
{
    ShowStatus(text);
    const QString said = Label_Stat->text();
    QTimer::singleShot(kLineBackShownMs, this, [this, said] {
        if (Label_Stat->text() == said)
            Label_Stat->clear();
    });
}
