// The window's loop for the logic: idle work, the line's notifier, and the waits that keep
// the window working.
#include <QCoreApplication>
#include <QSocketNotifier>

#include "linewait.h"
#include "tform_main.h"
#include "waitpumping.h"

// Received bytes wake the loop through the line's notifier, and the idle handler drains
// them; nothing else wakes an idle window but the logic's wake interval.
void TForm_main::SetIdle(bool on, LineSignal line, int wakeMs)
{
    if (on != idle_.HasHandler())
        idle_.SetHandler(on ? std::function<void()>([this] { logic_.OnIdle(); }) : std::function<void()>());
    idleOn_ = on;
    if (QSocketNotifier *notifier = LineNotifier(line.Descriptor()))
        notifier->setEnabled(on);
    idle_.SetWakeInterval(wakeMs);
}

// A socket notifier takes a descriptor, not Windows' event.
bool TForm_main::WatchesLine() const
{
    return linewait::Watchable();
}

QSocketNotifier *TForm_main::LineNotifier(int line)
{
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
            if (!idleOn_ && !WaitingForLine())
                lineNotifier_->setEnabled(false);
        });
    }
    return lineNotifier_;
}

void TForm_main::WakeSoon()
{
    // Keeps the loop from sleeping, so that the next idle moment comes at once.
    QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
}

void TForm_main::ProcessEvents()
{
    QCoreApplication::processEvents();
}

void TForm_main::WaitForLineOrEvents(LineSignal line, int32_t ms)
{
    WaitForLineOrEventsOn(line.Valid() ? LineNotifier(line.Descriptor()) : nullptr, ms);
}
