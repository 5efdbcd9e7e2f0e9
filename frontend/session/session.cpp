// The session's port, sending and stopping primitives that the transfers share.
#include "session.h"

#include "zmhwcomm.h"

Session::Session(SessionHost &sessionHost) : host(sessionHost) {}

Session::~Session()
{
    // A session that ends without Close still gives its port back.
    if (port)
        zmhwClose(&port);
}

bool Session::LoadSettings(const std::vector<std::string> &args, const std::string &programPath)
{
    ::LoadSettings(settings, settingsState, args, programPath,
                   [this](const std::string &message) { host.ShowInfo("%s", {message}); });
    return !settingsState.commandLineError;
}

int32_t Session::OpenPort()
{
    const int32_t result = zmhwOpen(&port, settings.port, settings.baud, settings.databits,
                                    settings.stopbits, static_cast<uint8_t>(settings.parity),
                                    settings.flow);
    if (result < 0)
        host.ShowError("Couldn't zmhwOpen (%d)", {result});
    return result;
}

void Session::Close()
{
    zmhwClose(&port);
    bytes.TraceRestart();
}

int32_t Session::ReceiveQueue()
{
    return zmhwRXQ(port);
}

void Session::ClearReceiveQueue()
{
    zmhwQ_CLEAR(port);
}

void Session::EchoLater(uint8_t c)
{
    if (Echoes(c))
        pendingEcho_ += static_cast<char>(c);
}

void Session::FlushEcho()
{
    if (pendingEcho_.empty())
        return;
    // Cleared before the host sees it: showing may process messages that send again.
    const std::string shown = std::move(pendingEcho_);
    pendingEcho_.clear();
    host.ShowEcho(shown);
}

void Session::SendChar(uint8_t c)
{
    bytes.SendByte(c);
    // A key typed during a download shows after everything sent before it.
    EchoLater(c);
    FlushEcho();
}

void Session::SendString(const std::string &s)
{
    for (char c : s) {
        SendChar(static_cast<uint8_t>(c));
        DelayMs(settings.delayms);
    }
    host.ProcessMessages();
}

void Session::KeyPress(char key)
{
    if (settings.upper)
        UpcaseLetter(key);
    SendChar(static_cast<uint8_t>(key));
}

void Session::BeginStoppable()
{
    // A stop of the whole transfer stops every later stoppable step of it too.
    stopRequested = stopWholeTransfer;
    host.StoppableChanged(true);
}

void Session::EndStoppable()
{
    stopRequested = false;
    host.StoppableChanged(false);
}

void Session::StopTransfer()
{
    stopRequested = true;
    stopWholeTransfer = true;
}

void Session::ClearInputSlowly(int32_t quietMs)
{
    BeginStoppable();
    for (int n = 1;; ++n) {
        host.ShowStatus(FormatGuarded(
            "Clearing input ever so slowly (%d); reset the thing to speed this up?", {n}));
        ClearReceiveQueue();
        host.WaitPumping(quietMs);
        if (ReceiveQueue() < 1)
            break;
        host.ProcessMessages();
        if (stopRequested)
            break;
    }
    host.ShowStatus({});
    EndStoppable();
}

void Session::BeginTransfer()
{
    transferRunning = true;
    host.TransferStarted();
}

void Session::EndTransfer()
{
    transferRunning = false;
    stopWholeTransfer = false;
    host.TransferEnded();
}
