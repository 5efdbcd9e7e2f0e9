// The wait that keeps the window working: it sleeps in the event loop, bounded by a timer at
// its end, so that an event is handled at once and nothing wakes the loop in between.
#include "waitpumping.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

namespace {

bool waitingForLine = false;

}  // namespace

void WaitForLineOrEventsOn(QSocketNotifier *line, int32_t ms)
{
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(ms, 0)));
        return;
    }
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // The notifier is turned on here and left on: every switch wakes the loop once more, and
    // these waits come once a received byte on a slow line. Should it fire outside a wait,
    // where nobody reads the line, its owner turns it off (see WaitingForLine).
    if (line && !line->isEnabled())
        line->setEnabled(true);
    // One timer for every wait.
    static QTimer *end = [] {
        auto *timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        return timer;
    }();
    end->start(ms);
    waitingForLine = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    waitingForLine = false;
    end->stop();
}

bool WaitingForLine()
{
    return waitingForLine;
}
