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
    if (bytes.SendByte(c) < 0)
        ReceiveQueue();  // tells a line that has gone away
    // A key typed during a download shows after everything sent before it; nothing shows
    // what did not go out because the line is gone.
    if (!LineLost())
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
    // While the line is lost a key goes nowhere: not sent, not traced, not echoed.
    if (LineLost())
        return;
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
    // The transfer has said how it ended; a line lost meanwhile is said after that.
    if (LineLost())
        host.LineLost(LostText());
    transferRunning = false;
    stopWholeTransfer = false;
    host.TransferEnded();
}
