// The wait that keeps the window working.
#include "waitpumping.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

#include "timing.h"

namespace {

// How often WaitWhilePumping looks at its deadline while no event arrives.
constexpr int kPumpSliceMs = 10;

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
        // The timer bounds each wait for events, so the loop sleeps instead of spinning.
        QTimer slice;
        slice.start(kPumpSliceMs);
        while (!deadline.Expired())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    } else {
        while (!deadline.Expired())
            std::this_thread::sleep_for(std::chrono::milliseconds(kPumpSliceMs));
    }
    waitPumpingRunning = false;
}

bool WaitWhilePumpingRunning()
{
    return waitPumpingRunning;
}
