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
