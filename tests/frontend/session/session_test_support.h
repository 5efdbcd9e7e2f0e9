// Shared pieces of the transfer tests: a programmer played from a thread of its own on a
// pseudo-terminal (a transfer does not return until it ends), the simulator on its line, a
// host that plays the window for the session, and checks of the state a transfer must leave
// behind.
#pragma once

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "promsim_runner.h"
#include "pty_pair.h"
#include "run_process.h"
#include "session.h"
#include "session_probe.h"
#include "temp_dir.h"

namespace zmtest {

inline int NextTransferPort()
{
    static int next = 60;
    return next++;
}

// Plays the programmer on a pseudo-terminal. The responder runs on the peer's thread and is
// given every byte zm32 sends; what it returns is sent back at once.
class ScriptedPeer {
public:
    using Responder = std::function<std::string(char c)>;

    explicit ScriptedPeer(Responder respond = {}, size_t hangupAfter = SIZE_MAX)
        : number_(NextTransferPort()), respond_(std::move(respond)), hangupAfter_(hangupAfter),
          mapping_(number_, line_.Path())
    {
        if (!line_.Opened())
            return;
        line_.MakeRaw();
        line_.PeerNonBlocking();
        thread_ = std::thread([this] { Run(); });
    }
    ~ScriptedPeer() { Finish(); }
    ScriptedPeer(const ScriptedPeer &) = delete;
    ScriptedPeer &operator=(const ScriptedPeer &) = delete;

    std::string PortArg() const { return "-p" + std::to_string(number_); }

    // Ends the peer's thread and takes what is still in the line: once a transfer has
    // returned, everything zm32 sent is in hand.
    std::string Finish()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ReadAvailable();
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    std::string Received() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    bool HungUp() const { return hungUp_; }

private:
    void Run()
    {
        while (!stop_ && !hungUp_) {
            pollfd p{line_.Master(), POLLIN, 0};
            if (poll(&p, 1, 10) > 0)
                ReadAvailable();
        }
    }
    void ReadAvailable()
    {
        char buf[4096];
        ssize_t k;
        while (!hungUp_ && line_.Master() >= 0 && (k = read(line_.Master(), buf, sizeof buf)) > 0) {
            for (ssize_t i = 0; i < k && !hungUp_; ++i) {
                std::string answer;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    received_ += buf[i];
                    if (received_.size() >= hangupAfter_) {
                        line_.CloseMaster();
                        hungUp_ = true;
                        break;
                    }
                }
                if (respond_)
                    answer = respond_(buf[i]);
                if (!stop_)
                    line_.PeerWrite(answer);
            }
        }
    }

    int number_;
    Responder respond_;
    size_t hangupAfter_;
    PtyPair line_;
    ComMapping mapping_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hungUp_{false};
    mutable std::mutex mutex_;
    std::string received_;
};

inline std::string Hex2(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(value >> 4) & 15], digits[value & 15]};
}

// The examine command as a binary upload uses it: "X" gives a space, an address and a line
// end show the first byte, a space steps on. Faults are placed by byte index.
struct Examiner {
    explicit Examiner(std::string image) : memory(std::move(image)) {}
    Examiner &SpaceReply(std::string reply) { spaceReply = std::move(reply); return *this; }
    Examiner &Digits(size_t at, std::string text) { digits[at] = std::move(text); return *this; }
    Examiner &StallAt(size_t at) { stallAt = at; return *this; }  // "=" comes, its digits never
    Examiner &MuteAt(size_t at) { muteAt = at; return *this; }    // the byte is never shown

    std::string memory;
    std::string spaceReply = " ";
    std::map<size_t, std::string> digits;
    size_t stallAt = SIZE_MAX;
    size_t muteAt = SIZE_MAX;
    size_t index = 0;
    int state = 0;  // 0: command, 1: address, 2: examining, 3: silent
    std::string address;

    std::string operator()(char c)
    {
        if (state == 0 && c == 'X') {
            state = 1;
            return spaceReply;
        }
        if (state == 1) {
            if (c != '\r') {
                address += c;
                return {};
            }
            if (address.empty()) {
                state = 0;
                return "?\r\n>";
            }
            index = std::stoul(address, nullptr, 16);
            state = 2;
            return Show();
        }
        if (state == 2 && c == ' ') {
            ++index;
            return Show();
        }
        if (c == '\r') {
            state = 0;
            return "\r\n>";
        }
        return {};
    }
    std::string Show()
    {
        if (index >= memory.size()) {
            state = 0;
            return "\r\nEnd of memory\r\n>";
        }
        char shown[24];
        std::snprintf(shown, sizeof shown, "\r\n%04zX=", index);
        if (index == muteAt || index == stallAt)
            state = 3;
        if (index == muteAt)
            return {};
        if (index == stallAt)
            return shown;
        auto fault = digits.find(index);
        return shown + (fault != digits.end() ? fault->second : Hex2(uint8_t(memory.at(index))));
    }
};

// The upload command: after "U" and the offset character, the programmer waits a while (its
// first answer must come after zm32 has cleared the echo of its commands), then sends `text`.
inline ScriptedPeer::Responder Uploader(std::string text, int delayMs = 2000)
{
    auto last = std::make_shared<char>(0);
    return [text, delayMs, last](char c) {
        const bool start = *last == 'U';
        *last = c;
        if (!start)
            return std::string();
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        return text;
    };
}

// The simulator on a line zm32 opens as one of its ports. With "--link PATH" among the options
// the port names that link, so a simulator started again on it is found on the same port.
struct SimulatedProgrammer {
    explicit SimulatedProgrammer(const std::vector<std::string> &options)
        : number(NextTransferPort()), sim(std::make_unique<PromsimRunner>(options))
    {
        const auto link = std::find(options.begin(), options.end(), "--link");
        path = link != options.end() && link + 1 != options.end() ? *(link + 1) : sim->Path();
        setenv(("ZMHW_COM" + std::to_string(number)).c_str(), path.c_str(), 1);
    }
    // Ends the simulator (its line goes away) and starts another with `options`.
    void Restart(const std::vector<std::string> &options)
    {
        sim.reset();
        sim = std::make_unique<PromsimRunner>(options);
    }
    std::string PortArg() const { return "-p" + std::to_string(number); }
    // The text that names this port when its line is lost or back.
    std::string Name() const { return "COM" + std::to_string(number) + " (" + path + ")"; }
    int number;
    std::string path;
    std::unique_ptr<PromsimRunner> sim;
};

// Plays the window for a session: keeps what the window would show, answers the question
// for another file, and runs `onMessages` wherever the window would process its messages.
class TestHost : public SessionHost {
public:
    std::vector<std::string> boxes;  // the text of each message box, in order
    std::string pane;                // the echo as the terminal pane shows it
    std::string status;
    std::vector<std::string> statuses;  // every status line, in order
    bool stopShown = false;
    bool transferRunning = false;
    std::vector<std::string> lineSaid;    // what was said of the line going and coming back
    std::vector<std::string> otherFiles;  // answers for another file; "" or none gives up
    size_t otherFilesAsked = 0;
    std::function<void()> onMessages;

    void ShowStatus(const std::string &text) override
    {
        status = text;
        statuses.push_back(text);
    }
    void ShowInfo(const std::string &text) override { boxes.push_back(text); }
    void ShowError(const std::string &text) override { boxes.push_back(text); }
    void ShowEcho(const std::string &text) override
    {
        // The pane holds a line break as one character.
        for (size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                pane += text[i];
    }
    void ProcessMessages() override
    {
        if (onMessages)
            onMessages();
    }
    void WaitPumping(int32_t ms) override
    {
        Deadline deadline;
        deadline.Arm(std::min(ms, kLongestWaitMs));
        do {
            ProcessMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (!deadline.Expired());
    }
    void StoppableChanged(bool stoppable) override { stopShown = stoppable; }
    void TransferStarted() override { transferRunning = true; }
    void TransferEnded() override { transferRunning = false; }
    std::string ChooseOtherFile(const std::string &) override
    {
        const size_t i = otherFilesAsked++;
        return i < otherFiles.size() ? otherFiles[i] : std::string();
    }
    void OnLineLost(const std::string &text) override { lineSaid.push_back(text); }
    void OnLineBack(const std::string &text) override { lineSaid.push_back(text); }
};

// A session on a port, with no settings file, in terminal mode.
struct TestSession {
    explicit TestSession(const std::string &portArg)
    {
        session.LoadSettings({"-i-", portArg}, BinPath("zm32"));
        session.OpenPort();
    }
    TestHost host;
    Session session{host};
};

inline std::unique_ptr<TestSession> StartSession(const std::string &portArg)
{
    auto s = std::make_unique<TestSession>(portArg);
    EXPECT_TRUE(s->session.IsOpen()) << portArg;
    return s;
}

// Opens a trace log for the coming transfer; returns its path.
inline std::string StartTrace(TestSession &s, const TempDir &dir)
{
    s.session.Settings().log = dir.File("trace.log");
    s.session.RestartTrace();
    return s.session.Settings().log;
}

// The trace of a transfer: what the log holds after its opening.
inline std::string TraceOf(TestSession &s, const std::string &path)
{
    s.session.CloseTrace();
    const std::string text = ReadFile(path);
    const std::string opening = "\r\n-----------------------\r\n";
    return text.rfind(opening, 0) == 0 ? text.substr(opening.size()) : text;
}

// After every ending of a transfer the session is back in terminal mode.
inline void ExpectTerminalMode(const TestSession &s)
{
    EXPECT_FALSE(s.session.TransferRunning());
    EXPECT_FALSE(s.host.transferRunning);
    EXPECT_FALSE(s.host.stopShown);
    EXPECT_FALSE(SessionProbe::EchoControls(s.session));
}

// Asks for Stop whenever a stoppable part of the transfer processes messages and no stop
// is pending, once `ready` holds.
class StopClicker {
public:
    explicit StopClicker(TestSession &s, std::function<bool()> ready = [] { return true; })
    {
        s.host.onMessages = [this, &s, ready] {
            if (s.host.stopShown && !SessionProbe::StopRequested(s.session) && ready()) {
                clicked_ = true;
                s.session.RequestStop();
            }
        };
    }
    bool Clicked() const { return clicked_; }

private:
    bool clicked_ = false;
};

} // namespace zmtest
