// The line lost and found on the session alone, as a console host has it: a hang-up during a
// transfer is said once, after the transfer's own message; keys typed then go nowhere; and
// Reconnect finds the programmer started again on the same link.
#include "session_test_support.h"

using namespace zmtest;

TEST(SessionLine, LostDuringATransferIsSaidAfterItAndFoundAgain)
{
    TempDir dir;
    const std::string link = dir.File("line");
    // The greeting, the space after "X" and the first byte; then the line goes.
    SimulatedProgrammer programmer({"--link", link, "--hangup-after", "13"});
    auto s = StartSession(programmer.PortArg());
    s->session.Settings().uploadbinbytes = 0x10;
    EXPECT_EQ(s->session.UploadBin(dir.File("image.bin")), TransferEnd::Failed);
    const std::string lost = "Line lost: " + programmer.Name() + "; waiting for it to come back";
    EXPECT_EQ(s->host.boxes, std::vector<std::string>{"missing \"=\"; sorry"});
    EXPECT_EQ(s->host.lineSaid, std::vector<std::string>{lost});
    EXPECT_TRUE(s->session.IsLineLost());
    ExpectTerminalMode(*s);

    const std::string trace = StartTrace(*s, dir);
    const std::string pane = s->host.pane;
    s->session.KeyPress('v');
    EXPECT_EQ(s->host.pane, pane);
    EXPECT_FALSE(SessionProbe::Reconnect(s->session));  // not yet, and not before the device is back

    programmer.Restart({"--link", link});
    Deadline twoSeconds;
    twoSeconds.Arm(2000);
    while (!SessionProbe::Reconnect(s->session) && !twoSeconds.Expired())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(SessionProbe::State(s->session), ConnectionState::Up);
    EXPECT_EQ(s->host.lineSaid, (std::vector<std::string>{lost, "Line back: " + programmer.Name()}));
    s->session.KeyPress('v');
    EXPECT_EQ(s->host.pane, pane + "V");
    // Only what went out is in the trace: after its opening, the key typed once the line was back.
    const std::string traced = TraceOf(*s, trace);
    EXPECT_EQ(traced.substr(traced.rfind('-') + 1), "\r\npV");
}

// The device of a port: ZMHW_COMn first, then the settings file's [ports], then the default;
// the [ports] entry reaches the serial library, which opens it, and the library says so.
TEST(SessionLine, PortDeviceFromTheEnvironmentThenThePortsSectionThenTheDefault)
{
    TempDir dir;
    SimulatedProgrammer programmer({});
    const int port = NextTransferPort();
    const std::string variable = "ZMHW_COM" + std::to_string(port);
    const std::map<int32_t, std::string> ports{{port, programmer.path}};
    unsetenv(variable.c_str());
    const PortDevice fromNothing = ChoosePortDevice(port, {}, "zm32.ini");
    EXPECT_EQ(fromNothing.path, "/dev/ttyS" + std::to_string(port - 1));
    EXPECT_EQ(fromNothing.origin, "");

    dir.Write("zm32.ini", "[ports]\nCOM" + std::to_string(port) + "=" + programmer.path + "\n");
    TestHost host;
    Session session{host};
    session.LoadSettings({"-i" + dir.File("zm32.ini"), "-p" + std::to_string(port)}, BinPath("zm32"));
    EXPECT_GE(session.OpenPort(), 0);
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(PortName(port), "COM" + std::to_string(port) + " (" + programmer.path + ")");
    EXPECT_EQ(getenv(variable.c_str()), nullptr);  // the library was told, not the environment

    setenv(variable.c_str(), "/dev/from-the-environment", 1);
    const PortDevice fromEnvironment = ChoosePortDevice(port, ports, "zm32.ini");
    EXPECT_EQ(fromEnvironment.path, "/dev/from-the-environment");
    EXPECT_EQ(fromEnvironment.origin, variable);
    EXPECT_EQ(PortDevicePath(port), "/dev/from-the-environment");
    unsetenv(variable.c_str());
    const PortDevice fromSection = ChoosePortDevice(port, ports, "/etc/zmtools/zm32.ini");
    EXPECT_EQ(fromSection.path, programmer.path);
    EXPECT_EQ(fromSection.origin, "[ports] of /etc/zmtools/zm32.ini");
    EXPECT_EQ(PortDevicePath(port), programmer.path);
    // A section without the port takes the earlier entry back.
    EXPECT_EQ(ChoosePortDevice(port, {}, "zm32.ini").path, "/dev/ttyS" + std::to_string(port - 1));
    EXPECT_EQ(PortDevicePath(0), "");
}

namespace {

// Takes what the programmer says until it has been quiet for 100 ms.
void Drain(Session &session)
{
    std::string text;
    Deadline quiet;
    quiet.Arm(100);
    while (!quiet.Expired()) {
        if (SessionProbe::ReceiveQueue(session) > 0) {
            session.ReceiveForTerminal(text);
            quiet.Arm(100);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// A wait on the line lasts its time on a quiet line, and ends within a few milliseconds of
// the programmer's answer to a CR.
void ExpectTheWaitWakesAtAByte(Session &session)
{
    using Clock = std::chrono::steady_clock;
    ASSERT_GE(session.LineDescriptor(), 0);
    Drain(session);
    ASSERT_EQ(SessionProbe::ReceiveQueue(session), 0);
    Clock::time_point start = Clock::now();
    EXPECT_FALSE(linewait::Wait(session.LineDescriptor(), 60));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(55));
    session.KeyPress('\r');
    start = Clock::now();
    EXPECT_TRUE(linewait::Wait(session.LineDescriptor(), 2000));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_GT(SessionProbe::ReceiveQueue(session), 0);
}

}  // namespace

// The line to wait on comes from the library on every open: the first and each reconnect.
TEST(SessionLine, TheWaitWakesAtAByteAfterAnOpenAndAfterAReconnect)
{
    TempDir dir;
    const std::string link = dir.File("line");
    SimulatedProgrammer programmer({"--link", link});
    auto s = StartSession(programmer.PortArg());
    {
        SCOPED_TRACE("open");
        ExpectTheWaitWakesAtAByte(s->session);
    }
    programmer.Restart({"--link", link});
    Deadline threeSeconds;
    threeSeconds.Arm(3000);
    std::string text;
    while (!SessionProbe::Reconnect(s->session) && !threeSeconds.Expired()) {
        s->session.ReceiveForTerminal(text);  // takes the prompt, then finds the line gone
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(SessionProbe::State(s->session), ConnectionState::Up);
    {
        SCOPED_TRACE("reconnect");
        ExpectTheWaitWakesAtAByte(s->session);
    }
}
