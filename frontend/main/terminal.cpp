// Terminal mode: received bytes into the pane, typed keys and Stop out to the session.
#include "tform_main.h"
#include "terminalpane.h"

void TForm_main::SetReceiveDisplay(bool on)
{
    if (on)
        idle_.SetHandler([this] { DrainReceived(); });
    else
        idle_.SetHandler({});
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
