// The waits that keep the window working: each sleeps in the event loop, bounded by a timer
// at its end, so that an event is handled at once and nothing wakes the loop in between.
#include "waitpumping.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

#include "timing.h"

namespace {

bool waitPumpingRunning = false;

}  // namespace

void WaitWhilePumping(int32_t ms)
{
    if (waitPumpingRunning)
        return;
    waitPumpingRunning = true;
    Deadline deadline;
    deadline.Arm(std::min(ms, kLongestWaitMs));
    if (QCoreApplication::instance()) {
        QTimer end;
        end.setSingleShot(true);
        end.setTimerType(Qt::PreciseTimer);
        while (!deadline.Expired()) {
            end.start(std::max(deadline.RemainingMs(), 1));
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
    } else {
        while (!deadline.Expired())
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(deadline.RemainingMs(), 1)));
    }
    waitPumpingRunning = false;
}

bool WaitWhilePumpingRunning()
{
    return waitPumpingRunning;
}

void WaitForLineOrEvents(QSocketNotifier *line, int32_t ms)
{
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(ms, 0)));
        return;
    }
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // The notifier is on only here: outside the wait the session reads the line itself.
    const bool wasEnabled = line && line->isEnabled();
    if (line)
        line->setEnabled(true);
    QTimer end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    end.start(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (line)
        line->setEnabled(wasEnabled);
}
