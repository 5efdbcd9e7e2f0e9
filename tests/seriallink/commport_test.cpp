// TCommPort's own contract: the failure kinds that the exports never let arise, and roll-back.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "commport.h"
#include "line_view.h"
#include "pty_pair.h"

using zmtest::ComMapping;
using zmtest::PtyPair;

namespace {

constexpr int kPort = 9;

struct Failure {
    uint8_t kind = 0;  // 0: none
    uint32_t platformError = 0;
};

Failure FailureOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const ECommError &e) {
        return {e.Kind(), e.PlatformError()};
    }
    return {};
}

uint8_t KindOf(const std::function<void()> &call)
{
    return FailureOf(call).kind;
}

class CommPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(pty.Path().empty());
        port.SetPortName("COM" + std::to_string(kPort));
    }

    PtyPair pty;
    ComMapping mapping{kPort, pty.Path()};
    TCommPort port;
};

TEST(CommPort, StartsWithTheInitialSettings)
{
    const TCommPort port;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.PortName(), "COM1");
    EXPECT_EQ(port.Handle(), nullptr);
    EXPECT_EQ(port.Handshaking(), kHandshakeNone);
    const DCB &d = port.Dcb();
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, 9600u);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, NOPARITY);
    EXPECT_EQ(d.StopBits, ONESTOPBIT);
    EXPECT_EQ(d.fDtrControl, DWORD(DTR_CONTROL_ENABLE));
    EXPECT_EQ(d.fRtsControl, DWORD(RTS_CONTROL_ENABLE));
    EXPECT_FALSE(d.fOutxCtsFlow);
    EXPECT_FALSE(d.fOutxDsrFlow);
    EXPECT_FALSE(d.fOutX);
    EXPECT_EQ(d.XonLim, 0);
}

TEST(CommPort, EveryOperationNeedsAnOpenPort)
{
    TCommPort port;
    const std::function<void()> calls[] = {
        [&] { port.CheckOpen(); },
        [&] { port.WriteByte('a'); },
        [&] { port.ReadByte(); },
        [&] { port.BytesToRead(); },
        [&] { port.BytesToWrite(); },
        [&] { port.PurgeInput(); },
    };
    for (const auto &call : calls)
        EXPECT_EQ(KindOf(call), kCommNotOpen);
    EXPECT_EQ(KindOf([&] { port.ClosePort(); }), 0);  // closing a closed port is nothing
}

TEST_F(CommPortTest, NameCannotChangeWhileOpen)
{
    port.OpenPort();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(KindOf([&] { port.SetPortName("COM2"); }), kCommNameWhileOpen);
    EXPECT_EQ(port.PortName(), "COM9");
    port.OpenPort();  // open already: nothing
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(CommPortTest, RefusedSettingLeavesTheOldOneInObjectAndDevice)
{
    struct Case {
        const char *what;
        std::function<void()> set;
        uint8_t kind;
    };
    const Case cases[] = {
        {"baud rate 0", [&] { port.SetBaudRate(0); }, kCommBaudRate},
        {"1.5 stop bits with 8 data bits", [&] { port.SetStopBits(ONE5STOPBITS); }, kCommStopBits},
        {"parity code 9", [&] { port.SetParity(9); }, kCommParity},
        {"9 data bits", [&] { port.SetByteSize(9); }, kCommByteSize},
    };
    port.SetBaudRate(57600);
    port.OpenPort();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const DCB before = port.Dcb();
        EXPECT_EQ(KindOf(c.set), c.kind);
        EXPECT_EQ(0, std::memcmp(&before, &port.Dcb(), sizeof before));
        EXPECT_EQ(zmtest::ReadLine(pty.Slave()).rate, 57600u);
    }
}

TEST_F(CommPortTest, SettersApplyAtOnceToAnOpenPort)
{
    port.OpenPort();
    port.SetBaudRate(115200);
    port.SetByteSize(7);
    port.SetStopBits(TWOSTOPBITS);
    port.SetHandshaking(kHandshakeCtsRts);
    zmtest::LineView line = zmtest::ReadLine(pty.Slave());
    EXPECT_EQ(line.rate, 115200u);
    EXPECT_TRUE(line.twoStopBits);
    EXPECT_TRUE(line.rtsCts);
    port.SetHandshaking(7);  // anything else is none
    EXPECT_EQ(port.Handshaking(), kHandshakeNone);
    EXPECT_FALSE(zmtest::ReadLine(pty.Slave()).rtsCts);
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port.Handle(), &dcb));
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.BaudRate, 115200u);
}

TEST_F(CommPortTest, RefusedHandshakingPutsBackFieldsAndMode)
{
    port.OpenPort();
    port.SetHandshaking(kHandshakeDsrDtr);
    const DCB before = port.Dcb();
    pty.CloseMaster();  // from now on the device refuses everything
    EXPECT_EQ(KindOf([&] { port.SetHandshaking(kHandshakeCtsRts); }), kCommHandshaking);
    EXPECT_EQ(port.Handshaking(), kHandshakeDsrDtr);
    EXPECT_EQ(0, std::memcmp(&before, &port.Dcb(), sizeof before));
    EXPECT_EQ(KindOf([&] { port.SetHandshaking(kHandshakeDsrDtr); }), 0);  // same mode: nothing
}

TEST_F(CommPortTest, FailedOpenStepsLeaveThePortClosedAndTheDeviceFree)
{
    port.SetByteSize(9);
    EXPECT_EQ(KindOf([&] { port.OpenPort(); }), kCommSetState);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Handle(), nullptr);
    EXPECT_EQ(port.Dcb().ByteSize, 9);  // the choice stays; the device's values do not creep in

    TCommPort missing;
    missing.SetPortName("COM43");
    ComMapping nowhere(43, "/nonexistent/ttyACM0");
    Failure f = FailureOf([&] { missing.OpenPort(); });
    EXPECT_EQ(f.kind, kCommCreateFile);
    EXPECT_EQ(f.platformError, ERROR_FILE_NOT_FOUND);

    port.SetByteSize(8);
    port.OpenPort();
    TCommPort second;
    second.SetPortName(port.PortName());
    f = FailureOf([&] { second.OpenPort(); });
    EXPECT_EQ(f.kind, kCommCreateFile);
    EXPECT_EQ(f.platformError, ERROR_ACCESS_DENIED);
}

TEST_F(CommPortTest, TimeOutsAreFailuresWithTheirOwnNumber)
{
    port.OpenPort();
    const Failure f = FailureOf([&] { port.ReadByte(); });
    EXPECT_EQ(f.kind, kCommRead);
    EXPECT_EQ(f.platformError, ERROR_TIMEOUT);
}

TEST_F(CommPortTest, GoneDeviceFailsEveryStepWithItsKind)
{
    port.OpenPort();
    pty.CloseMaster();
    struct Case {
        const char *what;
        std::function<void()> call;
        uint8_t kind;
    };
    const Case cases[] = {
        {"WriteByte", [&] { port.WriteByte('a'); }, kCommWrite},
        {"ReadByte", [&] { port.ReadByte(); }, kCommRead},
        {"BytesToRead", [&] { port.BytesToRead(); }, kCommQueues},
        {"BytesToWrite", [&] { port.BytesToWrite(); }, kCommQueues},
        {"PurgeInput", [&] { port.PurgeInput(); }, kCommPurge},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Failure f = FailureOf(c.call);
        EXPECT_EQ(f.kind, c.kind);
        EXPECT_EQ(f.platformError, ERROR_DEVICE_NOT_CONNECTED);
        EXPECT_TRUE(port.IsOpen());
    }
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(CommPortTest, DestroyingAnOpenPortReleasesTheDevice)
{
    {
        TCommPort scoped;
        scoped.SetPortName(port.PortName());
        scoped.OpenPort();
        EXPECT_EQ(KindOf([&] { port.OpenPort(); }), kCommCreateFile);
    }
    port.OpenPort();
    EXPECT_TRUE(port.IsOpen());
}

}  // namespace
