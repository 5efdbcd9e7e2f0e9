// What the session shows and asks of the window: the status line, message boxes, the echo
// in the pane, the Stop button, and the processing of window messages.
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include "messageboxes.h"
#include "tform_main.h"
#include "waitpumping.h"

void TForm_main::ShowStatus(const std::string &text)
{
    Label_Stat->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
}

void TForm_main::ShowInfo(const std::string &format, const FormatArgs &args)
{
    ::ShowInfo(format, args);
}

void TForm_main::ShowError(const std::string &format, const FormatArgs &args)
{
    ::ShowError(format, args);
}

void TForm_main::ShowEcho(const std::string &bytes)
{
    QString text;
    for (const char c : bytes)
        text += DisplayText(static_cast<uint8_t>(c));
    RichEdit_Main->AppendCapped(text, kTerminalLines);
}

void TForm_main::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TForm_main::WaitPumping(int32_t ms)
{
    ::WaitPumping(ms);
}

void TForm_main::StoppableChanged(bool stoppable)
{
    BitBtn_Stop->setVisible(stoppable);
}
