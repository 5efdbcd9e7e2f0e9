// The line to the programmer: opening and closing the port, its receive queue, a line that
// goes away and comes back, and the pause of every wait on the line.
#include <thread>

#include "session.h"
#include "zmhwcomm.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often a lost line is looked for again.
constexpr int32_t kReconnectMs = 1000;
// A wait sleeps this long between looks at the line: a byte is seen within 1 ms of its
// arrival, and a quiet line costs next to nothing.
constexpr auto kPauseStep = std::chrono::microseconds(700);
// A line whose answer to a send came within this is a quick one: after each send it is looked
// at again at once for this long, so that a dialogue of quick answers loses no time to
// sleeping. On a slower line (9600 baud takes 1 ms a character) waits sleep from the start;
// there an answer found after a single sleep shows that the line has become quick.
constexpr auto kQuickAnswer = std::chrono::milliseconds(1);
// How often a wait lets the host handle its input, so that a window paints and answers.
constexpr auto kHandleInputEvery = std::chrono::milliseconds(50);

} // namespace

int32_t Session::Open()
{
    return zmhwOpen(&port, settings.port, settings.baud, settings.databits, settings.stopbits,
                    static_cast<uint8_t>(settings.parity), settings.flow);
}

int32_t Session::OpenPort()
{
    const int32_t result = Open();
    if (result < 0)
        host.ShowError("Couldn't zmhwOpen (%d)", {result});
    else
        line = Line::Up;
    return result;
}

void Session::Close()
{
    zmhwClose(&port);
    line = Line::Closed;
    bytes.TraceRestart();
}

int32_t Session::ReceiveQueue()
{
    const int32_t waiting = zmhwRXQ(port);
    if (waiting < 0 && line == Line::Up)
        LoseLine();
    // The first bytes seen after a send tell how quickly this line answers.
    if (waiting > 0 && bytes.LastSent() != answeredSend_) {
        answeredSend_ = bytes.LastSent();
        const int sleeps = sleptAfter_ == answeredSend_ ? sleeps_ : 0;
        quickAnswers_ = Clock::now() - answeredSend_ < kQuickAnswer || (!quickAnswers_ && sleeps <= 1);
    }
    return waiting;
}

void Session::ClearReceiveQueue()
{
    if (zmhwQ_CLEAR(port) < 0)
        ReceiveQueue();  // tells a line that has gone away
}

std::string Session::LostText() const
{
    return "Line lost: " + PortName(settings.port) +
           (settings.reconnect ? "; waiting for it to come back" : "; restart to reconnect (reconnect=0)");
}

void Session::LoseLine()
{
    line = Line::Lost;
    // The device is gone: its port is given back at once, so that the device can be opened
    // again when it returns.
    zmhwClose(&port);
    reconnectDue_.Arm(kReconnectMs);
    // A running transfer first ends with its own message; EndTransfer says it then.
    if (!transferRunning)
        host.LineLost(LostText());
}

bool Session::Reconnect()
{
    if (line != Line::Lost || transferRunning || !settings.reconnect || !reconnectDue_.Expired())
        return false;
    reconnectDue_.Arm(kReconnectMs);
    // A port that could not be closed is not opened over.
    if (zmhwClose(&port) < 0 || Open() < 0)
        return false;
    line = Line::Up;
    host.LineBack("Line back: " + PortName(settings.port));
    return true;
}

void Session::PauseForLine()
{
    const Clock::time_point now = Clock::now();
    if (quickAnswers_ && now - bytes.LastSent() < kQuickAnswer)
        return;
    if (now - lastInput_ >= kHandleInputEvery) {
        lastInput_ = now;
        host.ProcessMessages();
        return;
    }
    if (sleptAfter_ != bytes.LastSent()) {
        sleptAfter_ = bytes.LastSent();
        sleeps_ = 0;
    }
    ++sleeps_;
    std::this_thread::sleep_for(kPauseStep);
}
