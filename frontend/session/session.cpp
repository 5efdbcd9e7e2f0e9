// The session's connection, sending, the terminal and the stopping primitives that the
// transfers share.
#include "session.h"

#include <algorithm>

#include "format.h"
#include "open_failure.h"
#include "text.h"

namespace {

using Clock = std::chrono::steady_clock;

// The longest the terminal takes received bytes at a time, so that a flood leaves the host
// time to paint and answer.
constexpr auto kTerminalSlice = std::chrono::milliseconds(5);

}  // namespace

Session::Session(SessionHost &sessionHost) : host_(sessionHost) {}

// A session that ends without Close still gives its port back: the connection does.
Session::~Session() = default;

bool Session::LoadSettings(const std::vector<std::string> &args, const std::string &programPath)
{
    ::LoadSettings(settings_, settingsState_, args, programPath,
                   [this](const std::string &message) { host_.ShowInfo(message); });
    return !settingsState_.commandLineError;
}

int32_t Session::OpenPort()
{
    const PortDevice chosen = ChoosePortDevice(settings_.port, settingsState_.portDevices, settingsState_.settingsPath);
    const int32_t result = connection_.Open();
    if (result < 0) {
        const LibraryCause cause = LastLibraryCause();
        host_.ShowError(FormatGuarded("Couldn't zmhwOpen (%d)", {result}));
        host_.ShowOpenCause(OpenFailureCause(settings_, settingsState_, chosen, cause));
    }
    return result;
}

int32_t Session::ReopenPort()
{
    connection_.Close();
    return OpenPort();
}

void Session::Close()
{
    connection_.Close();
    bytes_.TraceRestart();
}

int32_t Session::ReceiveQueue()
{
    bool lostNow = false;
    const int32_t waiting = connection_.ReceiveQueue(lostNow);
    if (lostNow)
        SayLost();
    return waiting;
}

void Session::ClearReceiveQueue()
{
    bool lostNow = false;
    connection_.ClearReceiveQueue(lostNow);
    if (lostNow)
        SayLost();
}

void Session::SayLost()
{
    // A running transfer first ends with its own message; EndTransfer says it then.
    if (!transferRunning_)
        host_.OnLineLost(connection_.LostText());
}

bool Session::Reconnect()
{
    if (transferRunning_ || !settings_.reconnect || !connection_.ReopenWhenDue())
        return false;
    host_.OnLineBack(connection_.BackText());
    return true;
}

// A byte wakes the wait at once, so even a quick line loses no time to sleeping.
void Session::PauseForLine(int32_t ms)
{
    host_.WaitForLine(connection_.LineDescriptor(), std::min(ms, kLongestWaitMs));
}

std::string Session::DisplayText(const std::string &bytes, bool received)
{
    if (pane_.Hex())
        return pane_.Shown(pane_.HexText(bytes), received);
    if (rawDisplay_)
        return pane_.Shown(bytes, received);
    std::string text;
    for (const char c : bytes)
        if (c != 0 || !received)
            text += CharName(displayState_, static_cast<uint8_t>(c), false);
    return pane_.Shown(text, received);
}

void Session::SetPaneOptions(const PaneOptions &options)
{
    if (pane_.SetOptions(options))
        displayState_.pendingBreak = true;
}

bool Session::ReceiveForTerminal(std::string &text)
{
    if (IsLineLost()) {
        Reconnect();
        return false;
    }
    std::string received;
    const Clock::time_point start = Clock::now();
    for (;;) {
        const int32_t waiting = ReceiveQueue();
        if (waiting <= 0)
            break;
        if (Clock::now() - start >= kTerminalSlice) {
            text += DisplayText(received, true);
            return true;
        }
        for (int32_t i = 0; i < waiting; ++i) {
            const int32_t value = bytes_.ReceiveByte();
            if (value < 0)
                break;
            received += static_cast<char>(value);
            if ((i & 63) == 63 && Clock::now() - start >= kTerminalSlice)
                break;
        }
    }
    text += DisplayText(received, true);
    return false;
}

void Session::LetLineSettle(int32_t quietMs, int32_t limitMs)
{
    Deadline quiet;
    quiet.Arm(quietMs);
    Deadline limit;
    limit.Arm(limitMs);
    stopRequested_ = false;
    while (!quiet.Expired() && !limit.Expired()) {
        const int32_t waiting = ReceiveQueue();
        if (waiting < 0)
            return;
        if (waiting > 0) {
            ClearReceiveQueue();
            quiet.Arm(quietMs);
        }
        host_.WaitForLine(connection_.LineDescriptor(), std::min(quiet.RemainingMs(), limit.RemainingMs()));
        if (stopRequested_)
            return;
    }
}

AnswerEnd Session::ReadAnswer(const std::string &prompt, int32_t quietMs,
                              const std::function<void(const std::string &text)> &show,
                              std::string *received)
{
    std::string tail;
    Deadline quiet;
    quiet.Arm(quietMs);
    stopRequested_ = false;
    while (!quiet.Expired()) {
        host_.ProcessMessages();
        if (stopRequested_)
            return AnswerEnd::Stopped;
        const int32_t waiting = ReceiveQueue();
        if (waiting < 0)
            return AnswerEnd::Lost;
        if (waiting == 0) {
            host_.WaitForLine(connection_.LineDescriptor(), quiet.RemainingMs());
            continue;
        }
        quiet.Arm(quietMs);
        std::string answer;
        bool prompted = false;
        for (int32_t i = 0; i < waiting && !prompted; ++i) {
            const int32_t value = bytes_.ReceiveByte();
            if (value < 0)
                break;
            answer += static_cast<char>(value);
            tail += static_cast<char>(value);
            if (tail.size() > prompt.size())
                tail.erase(0, tail.size() - prompt.size());
            prompted = tail == prompt;
        }
        if (received)
            *received += answer;
        show(DisplayText(answer, true));
        if (prompted)
            return AnswerEnd::Prompt;
    }
    return AnswerEnd::Quiet;
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
    host_.ShowEcho(DisplayText(shown, false));
}

void Session::SendChar(uint8_t c)
{
    if (bytes_.SendByte(c) < 0)
        ReceiveQueue();  // tells a line that has gone away
    // A key typed during a download shows after everything sent before it; nothing shows
    // what did not go out because the line is gone.
    if (!IsLineLost())
        EchoLater(c);
    FlushEcho();
}

void Session::SendString(const std::string &s)
{
    for (char c : s) {
        SendChar(static_cast<uint8_t>(c));
        DelayMs(settings_.delayms);
    }
    host_.ProcessMessages();
}

void Session::KeyPress(char key)
{
    // While the line is lost a key goes nowhere: not sent, not traced, not echoed.
    if (IsLineLost())
        return;
    if (settings_.upper)
        UpcaseLetter(key);
    SendChar(static_cast<uint8_t>(key));
}

void Session::BeginStoppable()
{
    // A stop of the whole transfer stops every later stoppable step of it too.
    stopRequested_ = stopWholeTransfer_;
    host_.StoppableChanged(true);
}

void Session::EndStoppable()
{
    stopRequested_ = false;
    host_.StoppableChanged(false);
}

void Session::StopTransfer()
{
    stopRequested_ = true;
    stopWholeTransfer_ = true;
}

void Session::ClearInputSlowly(int32_t quietMs)
{
    BeginStoppable();
    for (int n = 1;; ++n) {
        host_.ShowStatus(FormatGuarded(
            "Clearing input ever so slowly (%d); reset the thing to speed this up?", {n}));
        ClearReceiveQueue();
        host_.WaitPumping(quietMs);
        if (ReceiveQueue() < 1)
            break;
        host_.ProcessMessages();
        if (stopRequested_)
            break;
    }
    host_.ShowStatus({});
    EndStoppable();
}

void Session::BeginTransfer()
{
    transferRunning_ = true;
    host_.TransferStarted();
}

void Session::EndTransfer()
{
    // The transfer has said how it ended; a line lost meanwhile is said after that.
    if (IsLineLost())
        host_.OnLineLost(connection_.LostText());
    transferRunning_ = false;
    stopWholeTransfer_ = false;
    host_.TransferEnded();
}
