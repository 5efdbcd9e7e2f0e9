// Terminal mode: received bytes into the pane, typed keys out to the programmer, and the
// sending and stopping primitives the transfers share.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include "helpers.h"
#include "tform_main.h"
#include "zmhwcomm.h"

void TForm_main::SetReceiveDisplay(bool on)
{
    if (on)
        idle.SetHandler([this] { DrainReceived(); });
    else
        idle.SetHandler({});
}

QString TForm_main::DisplayText(int32_t value)
{
    // Bytes above 127 stand for themselves, as the single-byte code page shows them.
    const std::string name = CharName(displayState, value, false);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

void TForm_main::ShowChar(int32_t value)
{
    RichEdit_Main->AppendCapped(DisplayText(value), kTerminalLines);
}

void TForm_main::DrainReceived()
{
    if (draining)
        return;
    draining = true;
    // All bytes of one drain go into the pane at once; the cap then works once per batch.
    // A flood is taken in slices, so the window keeps painting and answering between them.
    QString batch;
    QElapsedTimer slice;
    slice.start();
    bool sliceOver = false;
    for (;;) {
        const int32_t waiting = zmhwRXQ(port);
        if (waiting <= 0)
            break;
        if (slice.elapsed() >= kDrainSliceMs) {
            sliceOver = true;
            break;
        }
        for (int32_t i = 0; i < waiting; ++i) {
            const int32_t value = bytes.ReceiveByte();
            if (value < 0)
                break;
            if (value > 0)
                batch += DisplayText(value);
            if ((i & 63) == 63 && slice.elapsed() >= kDrainSliceMs)
                break;
        }
    }
    if (!batch.isEmpty())
        RichEdit_Main->AppendCapped(batch, kTerminalLines);
    draining = false;
    // Keep the loop from sleeping, so that the next idle moment comes at once.
    if (sliceOver)
        QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
}

void TForm_main::SendChar(uint8_t c)
{
    bytes.SendByte(c);
    if (Echoes(c))
        ShowChar(c);
}

void TForm_main::SendString(const std::string &s)
{
    for (char c : s) {
        SendChar(static_cast<uint8_t>(c));
        DelayMs(settings.delayms);
    }
    QCoreApplication::processEvents();
}

void TForm_main::RichEdit_MainKeyPress(char key)
{
    if (settings.upper)
        UpcaseLetter(key);
    SendChar(static_cast<uint8_t>(key));
}

void TForm_main::BeginStoppable()
{
    // A close asked for during a transfer stops every later stoppable step of it too.
    stopRequested = closeAfterTransfer;
    BitBtn_Stop->show();
}

void TForm_main::EndStoppable()
{
    stopRequested = false;
    BitBtn_Stop->hide();
}

void TForm_main::BitBtn_StopClick()
{
    stopRequested = true;
    FocusTerminal();
}

void TForm_main::FocusTerminal()
{
    RichEdit_Main->setFocus();
}

void TForm_main::ClearInputSlowly(int32_t quietMs)
{
    BeginStoppable();
    for (int n = 1;; ++n) {
        Label_Stat->setText(QString::fromStdString(FormatGuarded(
            "Clearing input ever so slowly (%d); reset the thing to speed this up?", {n})));
        zmhwQ_CLEAR(port);
        WaitPumping(quietMs);
        if (zmhwRXQ(port) < 1)
            break;
        QCoreApplication::processEvents();
        if (stopRequested)
            break;
    }
    Label_Stat->setText(QString());
    EndStoppable();
}
