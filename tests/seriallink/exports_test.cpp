// The eight exports on real pseudo-terminals, as the front-end and the simulator use them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <termios.h>

#include "zmhwcomm.h"
#include "commport.h"
#include "line_view.h"
#include "pty_pair.h"

using zmtest::ComMapping;
using zmtest::Eventually;
using zmtest::PtyPair;

namespace {

constexpr int kPort = 7;

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(pty.Path().empty()) << "openpty failed"; }
    void TearDown() override { EXPECT_EQ(zmhwClose(&handle), 0); }

    int32_t Open(int32_t baud = 9600, int32_t bits = 8, int32_t stop = 0, int32_t parity = 'N',
                 int32_t flow = 0)
    {
        return zmhwOpen(&handle, kPort, baud, bits, stop, parity, flow);
    }
    TCommPort &Port() { return *reinterpret_cast<TCommPort *>(handle); }

    PtyPair pty;
    ComMapping mapping{kPort, pty.Path()};
    intptr_t handle = 0;
};

double SecondsOf(const std::function<void()> &call)
{
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(ExportsTest, OpenAppliesEverySettingAndTheFixedOnes)
{
    struct Case {
        int32_t baud, bits, stop, parity, flow;
        BYTE wantParity, wantStop;
        bool cstopb, rtsCts, dsrFlow;
    };
    const Case cases[] = {
        {9600, 8, 0, 'N', 0, NOPARITY, ONESTOPBIT, false, false, false},
        {115200, 8, 2, 'E', 1, EVENPARITY, TWOSTOPBITS, true, true, false},
        {12345, 7, 1, 'e', 2, EVENPARITY, ONESTOPBIT, false, false, true},
        {250000, 5, 3, 'o', 7, ODDPARITY, ONE5STOPBITS, true, false, false},
        {19200, 6, 2, 'x', 0, NOPARITY, TWOSTOPBITS, true, false, false},
        {57600, 5, 0, 'O', 1, ODDPARITY, ONESTOPBIT, false, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.baud << " " << c.bits << " stop " << c.stop << " "
                                        << char(c.parity) << " flow " << c.flow);
        ASSERT_EQ(Open(c.baud, c.bits, c.stop, c.parity, c.flow), 0);
        ASSERT_NE(handle, 0);

        const zmtest::LineView line = zmtest::ReadLine(pty.Slave());
        ASSERT_TRUE(line.ok);
        EXPECT_EQ(line.rate, uint32_t(c.baud));
        EXPECT_EQ(line.twoStopBits, c.cstopb);
        EXPECT_EQ(line.rtsCts, c.rtsCts);
        EXPECT_TRUE(line.raw);

        DCB dcb{};
        ASSERT_TRUE(GetCommState(Port().Handle(), &dcb));
        EXPECT_EQ(dcb.BaudRate, DWORD(c.baud));
        EXPECT_EQ(dcb.ByteSize, c.bits);  // a pseudo-terminal takes any framing
        EXPECT_EQ(dcb.Parity, c.wantParity);
        EXPECT_EQ(dcb.StopBits, c.wantStop);
        EXPECT_EQ(bool(dcb.fOutxCtsFlow), c.rtsCts);
        EXPECT_EQ(dcb.fRtsControl, DWORD(c.rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE));
        EXPECT_EQ(bool(dcb.fOutxDsrFlow), c.dsrFlow);
        EXPECT_EQ(dcb.fDtrControl, DWORD(c.dsrFlow ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_ENABLE));
        EXPECT_EQ(dcb.XonLim, 8192);
        EXPECT_EQ(dcb.XoffLim, 8192);

        COMMPROP props{};
        ASSERT_TRUE(GetCommProperties(Port().Handle(), &props));
        EXPECT_EQ(props.dwCurrentRxQueue, 32768u);
        EXPECT_EQ(props.dwCurrentTxQueue, 9216u);

        COMMTIMEOUTS t{};
        ASSERT_TRUE(GetCommTimeouts(Port().Handle(), &t));
        const DWORD want[] = {15, 1, 250, 1, 250};
        const DWORD got[] = {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                             t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                             t.WriteTotalTimeoutConstant};
        EXPECT_EQ(0, std::memcmp(want, got, sizeof want));
        EXPECT_EQ(0, std::memcmp(&t, &Port().Timeouts(), sizeof t));

        ASSERT_EQ(zmhwClose(&handle), 0);
        EXPECT_EQ(handle, 0);
    }
}

TEST_F(ExportsTest, PortNumberFormsTheDeviceName)
{
    for (int port : {1, 37}) {
        ComMapping own(port, pty.Path());
        intptr_t h = 0;
        ASSERT_EQ(zmhwOpen(&h, port, 9600, 8, 0, 'N', 0), 0);
        EXPECT_EQ(reinterpret_cast<TCommPort *>(h)->PortName(), "COM" + std::to_string(port));
        EXPECT_EQ(zmhwClose(&h), 0);
    }
}

TEST_F(ExportsTest, BytesCrossTheLineUnchanged)
{
    ASSERT_EQ(Open(), 0);
    // Every byte value, CR, LF, XON, XOFF and the signal characters included, both ways.
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(char(i));
    for (unsigned char c : all)
        ASSERT_EQ(zmhwTX(handle, c), 0);
    EXPECT_EQ(pty.PeerRead(all.size()), all);

    ASSERT_TRUE(pty.PeerWrite(all));
    std::string back;
    while (back.size() < all.size() &&
           Eventually([&] { return zmhwRXQ(handle) > 0; })) {
        const int32_t b = zmhwRX(handle);
        ASSERT_GE(b, 0);
        back.push_back(char(b));
    }
    EXPECT_EQ(back, all);
}

TEST_F(ExportsTest, OnlyTheLowByteIsSent)
{
    ASSERT_EQ(Open(), 0);
    ASSERT_EQ(zmhwTX(handle, 0x141), 0);
    ASSERT_EQ(zmhwTX(handle, -1), 0);
    EXPECT_EQ(pty.PeerRead(2), "\x41\xff");
}

TEST_F(ExportsTest, QueuedBytesAreCountedAndComeInOrder)
{
    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(zmhwRXQ(handle), 0);
    EXPECT_EQ(zmhwTXQ(handle), 0);
    ASSERT_TRUE(pty.PeerWrite("a\rZ"));
    ASSERT_TRUE(Eventually([&] { return zmhwRXQ(handle) == 3; }));
    EXPECT_EQ(zmhwRX(handle), 'a');
    EXPECT_EQ(zmhwRXQ(handle), 2);
    EXPECT_EQ(zmhwRX(handle), '\r');
    EXPECT_EQ(zmhwRX(handle), 'Z');
    EXPECT_EQ(zmhwRXQ(handle), 0);
}

TEST_F(ExportsTest, ClearEmptiesTheReceiveSideOnly)
{
    ASSERT_EQ(Open(), 0);
    ASSERT_EQ(zmhwTX(handle, 'p'), 0);
    ASSERT_EQ(zmhwTX(handle, 'q'), 0);
    ASSERT_TRUE(pty.PeerWrite("xyz"));
    ASSERT_TRUE(Eventually([&] { return zmhwRXQ(handle) == 3; }));
    // One byte read pulls the rest out of the driver as well; the clear must reach it there too.
    EXPECT_EQ(zmhwRX(handle), 'x');
    EXPECT_EQ(zmhwQ_CLEAR(handle), 0);
    EXPECT_EQ(zmhwRXQ(handle), 0);
    EXPECT_EQ(pty.PeerRead(2), "pq");
    ASSERT_TRUE(pty.PeerWrite("n"));
    ASSERT_TRUE(Eventually([&] { return zmhwRXQ(handle) == 1; }));
    EXPECT_EQ(zmhwRX(handle), 'n');
}

TEST_F(ExportsTest, ReadTimeOutWithoutAByteIsAFailure)
{
    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(zmhwRX(handle), -4);
}

TEST_F(ExportsTest, ByteLeftUnsentByTheWriteTimeOutIsAFailure)
{
    ASSERT_EQ(Open(), 0);
    ASSERT_EQ(tcflow(pty.Slave(), TCOOFF), 0);  // the line holds every byte back
    EXPECT_EQ(zmhwTX(handle, 'a'), -4);
    ASSERT_EQ(tcflow(pty.Slave(), TCOON), 0);
    EXPECT_EQ(zmhwTX(handle, 'b'), 0);
    EXPECT_EQ(pty.PeerRead(2, 500), "b");
}

TEST_F(ExportsTest, DsrHandshakeOnALineWithoutModemLinesStillSends)
{
    ASSERT_EQ(Open(9600, 8, 0, 'N', 2), 0);
    ASSERT_EQ(zmhwTX(handle, 'd'), 0);
    EXPECT_EQ(pty.PeerRead(1), "d");
}

TEST_F(ExportsTest, DeviceIsForExclusiveUseUntilClosed)
{
    ASSERT_EQ(Open(), 0);
    intptr_t second = 0x1234;
    EXPECT_EQ(zmhwOpen(&second, kPort, 9600, 8, 0, 'N', 0), -4);
    EXPECT_EQ(second, 0);
    ASSERT_EQ(zmhwTX(handle, 'k'), 0);  // the first stays usable
    EXPECT_EQ(pty.PeerRead(1), "k");

    ASSERT_EQ(zmhwClose(&handle), 0);
    EXPECT_EQ(handle, 0);
    ASSERT_EQ(zmhwOpen(&second, kPort, 9600, 8, 0, 'N', 0), 0);
    EXPECT_EQ(zmhwClose(&second), 0);
    EXPECT_EQ(second, 0);
}

TEST_F(ExportsTest, OpenFailuresLeakNoPort)
{
    const std::string plainFile = testing::TempDir() + "zmhw_not_a_tty";
    std::ofstream(plainFile) << "x";
    PtyPair other;
    ComMapping missing(41, "/nonexistent/ttyUSB9"), notTty(42, plainFile), zero(0, pty.Path()),
        spare(43, other.Path());
    struct Case {
        const char *what;
        int32_t port, baud, bits, stop;
        bool holdsOpenPort = false;  // the variable already holds this library's port on kPort
    };
    const Case cases[] = {
        {"handle holding an open port", 43, 9600, 8, 0, true},
        {"missing device", 41, 9600, 8, 0},
        {"not a terminal", 42, 9600, 8, 0},
        {"port 0", 0, 9600, 8, 0},
        {"negative port", -7, 9600, 8, 0},
        {"9 data bits", kPort, 9600, 9, 0},
        {"4 data bits", kPort, 9600, 4, 0},
        {"1.5 stop bits with 8 data bits", kPort, 9600, 8, 3},
        {"2 stop bits with 5 data bits", kPort, 9600, 5, 2},
        {"baud rate 0", kPort, 0, 8, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        intptr_t h = 0x5678;
        if (c.holdsOpenPort) {
            ASSERT_EQ(zmhwOpen(&h, kPort, 9600, 8, 0, 'N', 0), 0);
        }
        const intptr_t held = c.holdsOpenPort ? h : 0;
        EXPECT_EQ(zmhwOpen(&h, c.port, c.baud, c.bits, c.stop, 'N', 0), -4);
        EXPECT_EQ(h, held);
        if (c.holdsOpenPort) {
            ASSERT_EQ(zmhwTX(h, 'k'), 0);  // the port held stays usable
            EXPECT_EQ(pty.PeerRead(1), "k");
            EXPECT_EQ(zmhwClose(&h), 0);
        }
    }
    EXPECT_EQ(zmhwOpen(nullptr, kPort, 9600, 8, 0, 'N', 0), -4);
    // Nothing was left holding the device.
    EXPECT_EQ(Open(), 0);
    std::remove(plainFile.c_str());
}

TEST_F(ExportsTest, CloseOfNullAndCallsWithoutAPort)
{
    intptr_t none = 0;
    EXPECT_EQ(zmhwClose(&none), 0);
    EXPECT_EQ(none, 0);
    EXPECT_EQ(zmhwClose(nullptr), -4);
    EXPECT_EQ(zmhwTX(0, 'a'), -4);
    EXPECT_EQ(zmhwRX(0), -4);
    EXPECT_EQ(zmhwRXQ(0), -4);
    EXPECT_EQ(zmhwTXQ(0), -4);
    EXPECT_EQ(zmhwQ_CLEAR(0), -4);
}

TEST_F(ExportsTest, PeerHangingUpFailsEveryCallWithoutBlocking)
{
    ASSERT_EQ(Open(), 0);
    ASSERT_TRUE(pty.PeerWrite("unread"));
    ASSERT_TRUE(Eventually([&] { return zmhwRXQ(handle) == 6; }));
    pty.CloseMaster();
    // What came before the hang-up and was counted is still handed out, then every call fails.
    std::string before;
    for (int32_t waiting = zmhwRXQ(handle); waiting > 0; --waiting)
        before += char(zmhwRX(handle));
    EXPECT_EQ(before, "unread");
    const std::pair<const char *, std::function<int32_t()>> calls[] = {
        {"zmhwRXQ", [&] { return zmhwRXQ(handle); }},
        {"zmhwTXQ", [&] { return zmhwTXQ(handle); }},
        {"zmhwRX", [&] { return zmhwRX(handle); }},
        {"zmhwTX", [&] { return zmhwTX(handle, 'a'); }},
        {"zmhwQ_CLEAR", [&] { return zmhwQ_CLEAR(handle); }},
        {"zmhwRX again", [&] { return zmhwRX(handle); }},
    };
    for (const auto &[name, call] : calls) {
        SCOPED_TRACE(name);
        int32_t result = 0;
        // Within the time-out, with a wide margin for a loaded machine; never a hang.
        EXPECT_LT(SecondsOf([&] { result = call(); }), 2.0);
        EXPECT_EQ(result, -4);
    }
    EXPECT_EQ(zmhwClose(&handle), 0);
    EXPECT_EQ(handle, 0);
}

TEST(VersionTag, IsTheSameStaticText)
{
    const char *first = zmotla();
    EXPECT_STREQ(first, "uhk");
    EXPECT_EQ(zmotla(), first);
}

}  // namespace
