// Terminal mode: received bytes into the pane, typed keys and Stop out to the session.
#include <QElapsedTimer>

#include "tform_main.h"

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

void TForm_main::DrainReceived()
{
    if (draining)
        return;
    // A lost line has nothing to drain; it is looked for again instead.
    if (session.LineLost()) {
        session.Reconnect();
        return;
    }
    draining = true;
    // All bytes of one drain go into the pane at once; the cap then works once per batch.
    // A flood is taken in slices, so the window keeps painting and answering between them.
    QString batch;
    QElapsedTimer slice;
    slice.start();
    bool sliceOver = false;
    for (;;) {
        const int32_t waiting = session.ReceiveQueue();
        if (waiting <= 0)
            break;
        if (slice.elapsed() >= kDrainSliceMs) {
            sliceOver = true;
            break;
        }
        for (int32_t i = 0; i < waiting; ++i) {
            const int32_t value = session.bytes.ReceiveByte();
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

void TForm_main::RichEdit_MainKeyPress(char key)
{
    session.KeyPress(key);
}

void TForm_main::BitBtn_StopClick()
{
    session.RequestStop();
    FocusTerminal();
}

void TForm_main::FocusTerminal()
{
    RichEdit_Main->setFocus();
}
