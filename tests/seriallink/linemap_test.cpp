// The translation of a device-control block into a termios line, for every setting the
// exported open can ask for, and the naming of devices.
#include <gtest/gtest.h>

#include <cstdlib>

#include "commport.h"
#include "platform/linemap.h"
#include "platform/posix_device.h"
#include "portsettings.h"

using namespace zmhw;

namespace {

// A terminal as it comes: canonical, echoing, translating CR, with XON/XOFF and hang-up on close.
termios2 CookedLine()
{
    termios2 t{};
    t.c_iflag = ICRNL | IXON | IXANY | IMAXBEL | BRKINT | INPCK | ISTRIP;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ECHOE | ECHOK | ISIG | IEXTEN;
    t.c_cflag = B38400 | CS7 | PARENB | HUPCL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 5;
    return t;
}

TEST(LineMap, EveryOpenSettingTranslates)
{
    struct Letter {
        char letter;
        unsigned parityBits;
    };
    const Letter letters[] = {{'E', PARENB}, {'e', PARENB}, {'O', PARENB | PARODD},
                              {'o', PARENB | PARODD}, {'N', 0}, {'x', 0}};
    const unsigned sizes[] = {0, 0, 0, 0, 0, CS5, CS6, CS7, CS8};
    struct Rate {
        uint32_t rate;
        unsigned code;
    };
    const Rate rates[] = {{9600, B9600}, {115200, B115200}, {12345, BOTHER}, {250000, BOTHER}};

    int valid = 0;
    for (int bits = 5; bits <= 8; ++bits)
        for (const Letter &l : letters)
            for (int stopCode = 0; stopCode <= 3; ++stopCode)
                for (int mode : {0, 1, 2, 7})
                    for (const Rate &r : rates) {
                        SCOPED_TRACE(testing::Message() << bits << char(l.letter) << " stop "
                                                        << stopCode << " mode " << mode << " "
                                                        << r.rate);
                        TCommPort port;
                        port.SetBaudRate(r.rate);
                        port.SetByteSize(uint8_t(bits));
                        port.SetStopBits(StopBitsFromCode(stopCode));
                        port.SetParity(ParityFromLetter(uint8_t(l.letter)));
                        port.SetHandshaking(mode);

                        LineRequest req;
                        DWORD error = 0;
                        const bool ok = DcbToTermios(port.Dcb(), CookedLine(), req, error);
                        // 1.5 stop bits need 5 data bits; 2 stop bits do not go with 5.
                        const bool allowed = !(stopCode == 3 && bits != 5) && !(stopCode == 2 && bits == 5);
                        ASSERT_EQ(ok, allowed);
                        if (!ok) {
                            EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
                            continue;
                        }
                        ++valid;
                        const termios2 &t = req.tio;
                        EXPECT_EQ(t.c_cflag & CSIZE, sizes[bits]);
                        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), l.parityBits);
                        EXPECT_EQ(bool(t.c_cflag & CSTOPB), stopCode == 2 || stopCode == 3);
                        EXPECT_EQ(bool(t.c_cflag & CRTSCTS), mode == 1);
                        EXPECT_EQ(req.waitForDsr, mode == 2);
                        EXPECT_EQ(req.dtr, 1);
                        EXPECT_EQ(req.rts, mode == 1 ? 0 : 1);
                        EXPECT_EQ(t.c_cflag & CBAUD, r.code);
                        EXPECT_EQ(t.c_ospeed, r.rate);
                        EXPECT_EQ(LineRate(t), r.rate);
                        // Raw: no line editing, echo, signals, output processing or XON/XOFF.
                        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHOE | ECHOK | ISIG | IEXTEN), 0u);
                        EXPECT_EQ(t.c_oflag & OPOST, 0u);
                        EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | IXANY | ISTRIP | BRKINT), 0u);
                        EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), unsigned(CREAD | CLOCAL));
                        EXPECT_TRUE(t.c_cflag & HUPCL);  // what raw mode does not concern stays
                        EXPECT_EQ(t.c_cc[VMIN], 1);
                        EXPECT_EQ(t.c_cc[VTIME], 0);
                    }
    EXPECT_EQ(valid, 4 * 6 * 4 * 4 * 3);  // per data-bit count, three of the four stop codes work
}

TEST(LineMap, RefusesWhatNoLineCanDo)
{
    struct Case {
        const char *what;
        void (*spoil)(DCB &);
    };
    const Case cases[] = {
        {"rate 0", [](DCB &d) { d.BaudRate = 0; }},
        {"4 data bits", [](DCB &d) { d.ByteSize = 4; }},
        {"9 data bits", [](DCB &d) { d.ByteSize = 9; }},
        {"parity 5", [](DCB &d) { d.Parity = 5; }},
        {"stop code 3", [](DCB &d) { d.StopBits = 3; }},
        {"RTS toggle", [](DCB &d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }},
        {"XON equal to XOFF", [](DCB &d) { d.fOutX = 1; d.XonChar = d.XoffChar = 0x11; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DCB dcb = TCommPort().Dcb();
        c.spoil(dcb);
        LineRequest req;
        DWORD error = 0;
        EXPECT_FALSE(DcbToTermios(dcb, CookedLine(), req, error));
        EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
    }
}

TEST(LineMap, OtherFieldsOfTheBlockReachTheLine)
{
    DCB dcb = TCommPort().Dcb();
    dcb.Parity = MARKPARITY;
    dcb.fParity = 1;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    LineRequest req;
    DWORD error = 0;
    ASSERT_TRUE(DcbToTermios(dcb, CookedLine(), req, error));
    EXPECT_EQ(req.tio.c_cflag & (PARENB | PARODD | CMSPAR), unsigned(PARENB | PARODD | CMSPAR));
    EXPECT_EQ(req.tio.c_iflag & (INPCK | IXON | IXOFF), unsigned(INPCK | IXON | IXOFF));
    EXPECT_EQ(req.tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(req.tio.c_cc[VSTOP], 0x13);
    EXPECT_EQ(req.dtr, -1);
    EXPECT_EQ(req.rts, -1);

    // The block read from that line describes it again.
    const DCB back = DcbFromTermios(req.tio);
    EXPECT_EQ(back.BaudRate, 9600u);
    EXPECT_EQ(back.Parity, MARKPARITY);
    EXPECT_EQ(back.ByteSize, 8);
    EXPECT_TRUE(back.fParity);
    EXPECT_FALSE(back.fOutX);  // a line is described as the raw one it is about to become
}

TEST(LineMap, ReadBackOfTheStopBits)
{
    termios2 t = CookedLine();
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS5 | CSTOPB;
    EXPECT_EQ(DcbFromTermios(t).StopBits, ONE5STOPBITS);
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS8 | CSTOPB;
    EXPECT_EQ(DcbFromTermios(t).StopBits, TWOSTOPBITS);
    EXPECT_EQ(DcbFromTermios(t).BaudRate, 38400u);
}

TEST(LineMap, ReadBackComparison)
{
    DCB dcb = TCommPort().Dcb();
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.BaudRate = 12345;
    LineRequest req;
    DWORD error = 0;
    ASSERT_TRUE(DcbToTermios(dcb, CookedLine(), req, error));
    const termios2 want = req.tio;

    termios2 framingless = want;  // what a pseudo-terminal reports
    framingless.c_cflag = (framingless.c_cflag & ~(CSIZE | PARENB)) | CS8;
    EXPECT_TRUE(LineMatches(want, framingless, true));
    EXPECT_FALSE(LineMatches(want, framingless, false));

    termios2 rounded = want;  // a driver that runs the nearest rate it has
    rounded.c_ospeed = 12300;
    EXPECT_TRUE(LineMatches(want, rounded, false));
    rounded.c_ospeed = 9600;
    EXPECT_FALSE(LineMatches(want, rounded, true));

    termios2 noStop = want;
    noStop.c_cflag |= CSTOPB;
    EXPECT_FALSE(LineMatches(want, noStop, true));
    termios2 noFlow = want;
    noFlow.c_cflag |= CRTSCTS;
    EXPECT_FALSE(LineMatches(want, noFlow, true));
}

TEST(DeviceNames, ComNumbersNameDevices)
{
    setenv("ZMHW_COM3", "/dev/ttyUSB0", 1);
    setenv("ZMHW_COM4", "", 1);
    setenv("ZMHW_COM0", "/dev/ttyUSB1", 1);
    const std::pair<const char *, const char *> cases[] = {
        {"COM1", "/dev/ttyS0"},   {"COM37", "/dev/ttyS36"}, {"COM3", "/dev/ttyUSB0"},
        {"com3", "/dev/ttyUSB0"}, {"COM4", "/dev/ttyS3"},   {"COM0", ""},
        {"COM-1", ""},            {"COM03", ""},            {"COM", ""},
        {"COM1x", ""},            {"LPT1", ""},             {"/dev/ttyS0", ""},
        {"COM99999999999", ""},
        {"\\\\.\\COM37", "/dev/ttyS36"}, {"\\\\.\\com3", "/dev/ttyUSB0"},
        {"\\\\.\\LPT1", ""},             {"\\\\?\\COM1", ""},
    };
    for (const auto &[name, path] : cases)
        EXPECT_EQ(ResolveComName(name), path) << name;
    EXPECT_EQ(ResolveComName(nullptr), "");
    unsetenv("ZMHW_COM3");
    unsetenv("ZMHW_COM4");
    unsetenv("ZMHW_COM0");
}

}  // namespace
