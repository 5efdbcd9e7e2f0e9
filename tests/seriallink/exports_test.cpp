// The exports on real pseudo-terminals, as the front-end and the simulator use them.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>

#include <thread>

#include "zmhwcomm.h"
#include "commport.h"
#include "line_view.h"
#include "porttable.h"
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
    TCommPort &Port() { return Ports().Find(handle)->port; }

    PtyPair pty;
    ComMapping mapping{kPort, pty.Path()};
    intptr_t handle = 0;
};

struct Cause {
    int32_t step = -1;
    int32_t system = -1;
    std::string text;
};

Cause LastCause()
{
    Cause cause;
    char text[512];
    std::memset(text, 'x', sizeof text);
    cause.step = zmhwERROR(&cause.system, text, sizeof text);
    cause.text = text;
    return cause;
}

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
        EXPECT_EQ(Ports().Find(h)->port.PortName(), "COM" + std::to_string(port));
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
    PtyPair busy;
    ComMapping inUse(44, busy.Path());
    const int holder = open(busy.Path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);  // another program holds it as the library would
    const std::string line = "COM7 (" + pty.Path() + "): ";
    struct Case {
        const char *what;
        int32_t port, baud, bits, stop;
        int32_t step, system;
        std::string text;  // zmhwERROR's line
        bool holdsOpenPort = false;  // the variable already holds this library's port on kPort
    };
    const Case cases[] = {
        {"handle holding an open port", 43, 9600, 8, 0, ZMHW_STEP_HANDLE, 0,
         "the variable still holds an open port of this library", true},
        {"missing device", 41, 9600, 8, 0, ZMHW_STEP_OPEN, ENOENT,
         "open COM41 (/nonexistent/ttyUSB9): No such file or directory (error 2)"},
        {"not a terminal", 42, 9600, 8, 0, ZMHW_STEP_OPEN, ENOTTY,
         "open COM42 (" + plainFile + "): Inappropriate ioctl for device (error 25)"},
        {"in use", 44, 9600, 8, 0, ZMHW_STEP_LOCK, EWOULDBLOCK,
         "lock COM44 (" + busy.Path() + "): Resource temporarily unavailable (error 11)"},
        {"port 0", 0, 9600, 8, 0, ZMHW_STEP_OPEN, ENOENT, "open COM0: No such file or directory (error 2)"},
        {"negative port", -7, 9600, 8, 0, ZMHW_STEP_OPEN, ENOENT, "open COM-7: No such file or directory (error 2)"},
        {"9 data bits", kPort, 9600, 9, 0, ZMHW_STEP_SETTINGS, EINVAL, "settings " + line + "Invalid argument (error 22)"},
        {"4 data bits", kPort, 9600, 4, 0, ZMHW_STEP_SETTINGS, EINVAL, "settings " + line + "Invalid argument (error 22)"},
        {"1.5 stop bits with 8 data bits", kPort, 9600, 8, 3, ZMHW_STEP_SETTINGS, EINVAL,
         "settings " + line + "Invalid argument (error 22)"},
        {"2 stop bits with 5 data bits", kPort, 9600, 5, 2, ZMHW_STEP_SETTINGS, EINVAL,
         "settings " + line + "Invalid argument (error 22)"},
        {"baud rate 0", kPort, 0, 8, 0, ZMHW_STEP_SETTINGS, EINVAL, "settings " + line + "Invalid argument (error 22)"},
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
        const Cause cause = LastCause();
        EXPECT_EQ(cause.step, c.step);
        EXPECT_EQ(cause.system, c.system);
        EXPECT_EQ(cause.text, c.text);
        if (c.holdsOpenPort) {
            ASSERT_EQ(zmhwTX(h, 'k'), 0);  // the port held stays usable
            EXPECT_EQ(pty.PeerRead(1), "k");
            EXPECT_EQ(zmhwClose(&h), 0);
        }
    }
    EXPECT_EQ(zmhwOpen(nullptr, kPort, 9600, 8, 0, 'N', 0), -4);
    EXPECT_EQ(LastCause().step, ZMHW_STEP_HANDLE);
    // Nothing was left holding the device.
    EXPECT_EQ(Open(), 0);
    close(holder);
    std::remove(plainFile.c_str());
}

// 0, a closed port's handle, freed memory and a stray number: never dereferenced, always -4
// with the same cause; a live port beside them, and the one opened again after the close, are
// not disturbed.
TEST_F(ExportsTest, EveryCallRefusesAHandleThatIsNoOpenPort)
{
    intptr_t none = 0;
    EXPECT_EQ(zmhwClose(&none), 0);
    EXPECT_EQ(none, 0);
    EXPECT_EQ(zmhwClose(nullptr), -4);

    ASSERT_EQ(Open(), 0);
    PtyPair other;
    ComMapping second(kPort + 1, other.Path());
    intptr_t closed = 0;
    ASSERT_EQ(zmhwOpen(&closed, kPort + 1, 9600, 8, 0, 'N', 0), 0);
    const intptr_t stale = closed;
    ASSERT_EQ(zmhwClose(&closed), 0);
    for (int again = 0; again < 3; ++again) {
        ASSERT_EQ(zmhwOpen(&closed, kPort + 1, 9600, 8, 0, 'N', 0), 0);
        ASSERT_NE(closed, stale);
        if (again < 2) {
            ASSERT_EQ(zmhwClose(&closed), 0);
        }
    }
    auto memory = std::make_unique<char[]>(sizeof(TCommPort));
    const intptr_t freed = reinterpret_cast<intptr_t>(memory.get());
    memory.reset();
    const std::pair<const char *, intptr_t> handles[] = {
        {"0", 0}, {"closed", stale}, {"freed", freed}, {"stray", 0x12345678}, {"-1", -1}};
    for (const auto &[what, h] : handles) {
        SCOPED_TRACE(what);
        intptr_t line = 77;
        intptr_t variable = h;
        const std::pair<const char *, std::function<int32_t()>> calls[] = {
            {"zmhwTX", [h = h] { return zmhwTX(h, 'a'); }},
            {"zmhwRX", [h = h] { return zmhwRX(h); }},
            {"zmhwRXQ", [h = h] { return zmhwRXQ(h); }},
            {"zmhwTXQ", [h = h] { return zmhwTXQ(h); }},
            {"zmhwQ_CLEAR", [h = h] { return zmhwQ_CLEAR(h); }},
            {"zmhwLINE", [h = h, &line] { return zmhwLINE(h, &line); }},
            {"zmhwClose", [h = h, &variable] { return h == 0 ? -4 : zmhwClose(&variable); }},
        };
        for (const auto &[name, call] : calls) {
            SCOPED_TRACE(name);
            ASSERT_EQ(zmhwTX(handle, 'k'), 0);  // a success leaves the cause as it was
            EXPECT_EQ(call(), -4);
            const Cause cause = LastCause();
            EXPECT_EQ(cause.step, ZMHW_STEP_HANDLE);
            EXPECT_EQ(cause.text, "not a port of this library");
        }
        EXPECT_EQ(line, 77);
        EXPECT_EQ(variable, h);
    }
    EXPECT_EQ(zmhwLINE(handle, nullptr), -4);
    EXPECT_EQ(pty.PeerRead(40, 200), std::string(35, 'k'));
    EXPECT_EQ(other.PeerRead(1, 50), "");
    EXPECT_EQ(zmhwClose(&closed), 0);
}

// Each thread has its own last failure; the text is cut to the buffer and always ended.
TEST_F(ExportsTest, TheCauseBelongsToTheThreadAndFitsTheBuffer)
{
    EXPECT_EQ(zmhwRX(0), -4);
    Cause elsewhere;
    std::thread([&] { elsewhere = LastCause(); }).join();
    EXPECT_EQ(elsewhere.step, ZMHW_STEP_NONE);
    EXPECT_EQ(elsewhere.text, "");
    char small[8];
    EXPECT_EQ(zmhwERROR(nullptr, small, sizeof small), ZMHW_STEP_HANDLE);
    EXPECT_STREQ(small, "not a p");
    EXPECT_EQ(zmhwERROR(nullptr, nullptr, 0), ZMHW_STEP_HANDLE);

    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(zmhwRX(handle), -4);
    Cause timedOut = LastCause();
    EXPECT_EQ(timedOut.step, ZMHW_STEP_READ);
    EXPECT_EQ(timedOut.system, ETIMEDOUT);
    EXPECT_EQ(timedOut.text, "read COM7 (" + pty.Path() + "): no byte within the read time-out");
}

// The one map of port numbers to devices: ZMHW_COMn, then the program's own, then the built-in.
TEST(PortMap, EnvironmentThenTheProgramsChoiceThenTheBuiltInName)
{
    const int32_t port = 29;
    unsetenv("ZMHW_COM29");
    char device[64];
    struct Step {
        const char *what;
        const char *environment;  // null: unset
        const char *mapped;       // given to zmhwMAP before; null: not called
        int32_t origin;
        std::string device;
    };
    const Step steps[] = {
        {"nothing", nullptr, nullptr, ZMHW_BUILT_IN, "/dev/ttyS28"},
        {"mapped", nullptr, "/dev/ttyUSB3", ZMHW_FROM_MAP, "/dev/ttyUSB3"},
        {"environment over the map", "/dev/ttyACM1", nullptr, ZMHW_FROM_ENVIRONMENT, "/dev/ttyACM1"},
        {"empty variable", "", nullptr, ZMHW_FROM_MAP, "/dev/ttyUSB3"},
        {"map taken back", nullptr, "", ZMHW_BUILT_IN, "/dev/ttyS28"},
        {"map taken back by null", nullptr, nullptr, ZMHW_BUILT_IN, "/dev/ttyS28"},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        if (step.environment)
            setenv("ZMHW_COM29", step.environment, 1);
        else
            unsetenv("ZMHW_COM29");
        if (step.mapped) {
            EXPECT_EQ(zmhwMAP(port, step.mapped), 0);
        }
        if (std::string(step.what) == "map taken back by null") {
            EXPECT_EQ(zmhwMAP(port, "/dev/again"), 0);
            EXPECT_EQ(zmhwMAP(port, nullptr), 0);
        }
        EXPECT_EQ(zmhwPORT(port, device, sizeof device), step.origin);
        EXPECT_EQ(std::string(device), step.device);
        // The other way round, and the numbers with a device of their own.
        int32_t origin = -1;
        EXPECT_EQ(zmhwNUMBER(step.device.c_str(), 0, &origin), port);
        EXPECT_EQ(origin, step.origin);
        EXPECT_EQ(zmhwNUMBER(nullptr, port - 1, nullptr) == port, step.origin != ZMHW_BUILT_IN);
    }
    EXPECT_EQ(zmhwNUMBER("/dev/ttyS0", 0, nullptr), 1);
    EXPECT_EQ(zmhwNUMBER("/dev/ttyS0", 1, nullptr), -4);
    EXPECT_EQ(zmhwNUMBER("/dev/ttyS00", 0, nullptr), -4);
    EXPECT_EQ(zmhwNUMBER("/dev/ttyS-1", 0, nullptr), -4);
    unsetenv("ZMHW_COM29");
    EXPECT_EQ(zmhwPORT(0, device, sizeof device), -4);
    EXPECT_EQ(zmhwPORT(-3, device, sizeof device), -4);
    EXPECT_EQ(zmhwMAP(0, "/dev/ttyUSB0"), -4);
    EXPECT_EQ(zmhwPORT(port, device, 11), -4);  // "/dev/ttyS28" needs 12
    EXPECT_EQ(zmhwPORT(port, device, 12), ZMHW_BUILT_IN);
    EXPECT_EQ(zmhwPORT(port, nullptr, 64), -4);
}

// The port the program chose is the one opened, and the wait on the line ends at a byte.
TEST_F(ExportsTest, TheMappedDeviceOpensAndItsLineWakesAWait)
{
    unsetenv("ZMHW_COM7");
    ASSERT_EQ(zmhwMAP(kPort, pty.Path().c_str()), 0);
    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(zmhwMAP(kPort, nullptr), 0);
    intptr_t line = -1;
    ASSERT_EQ(zmhwLINE(handle, &line), 0);
    ASSERT_GE(line, 0);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(zmhwRXQ(handle), 0);
        pollfd p{static_cast<int>(line), POLLIN, 0};
        EXPECT_EQ(poll(&p, 1, 50), 0);  // a quiet line does not wake it
        std::thread peer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            pty.PeerWrite("ab");
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(poll(&p, 1, 2000), 1);
        const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        peer.join();
        EXPECT_GT(waited, 0.02);
        EXPECT_LT(waited, 0.2);
        ASSERT_TRUE(Eventually([&] { return zmhwRXQ(handle) == 2; }));
        EXPECT_EQ(zmhwRX(handle), 'a');
        EXPECT_EQ(zmhwRX(handle), 'b');
        intptr_t again = -1;
        EXPECT_EQ(zmhwLINE(handle, &again), 0);
        EXPECT_EQ(again, line);
    }
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
