// What the session shows and asks of the window: the status line, message boxes, the echo
// in the pane, the Stop button, the processing of window messages, and the line's state.
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

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

void TForm_main::WaitForLine(int line, int32_t ms)
{
    (void)line;  // the session's line, which the notifier follows
    SyncLineNotifier();
    WaitForLineOrEvents(lineNotifier_, ms);
}

void TForm_main::StoppableChanged(bool stoppable)
{
    BitBtn_Stop->setVisible(stoppable);
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
