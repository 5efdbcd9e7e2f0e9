#if !defined(_WIN32)

#include "linemap.h"

namespace zmhw {
namespace {

struct StandardRate {
    unsigned code;
    uint32_t rate;
};

constexpr StandardRate kStandardRates[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
    {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
    {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
    {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
    {B3500000, 3500000}, {B4000000, 4000000},
};

const StandardRate *ByRate(uint32_t rate)
{
    for (const auto &r : kStandardRates)
        if (r.rate == rate)
            return &r;
    return nullptr;
}

unsigned SizeBits(BYTE byteSize)
{
    switch (byteSize) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

BYTE ByteSizeOf(unsigned cflag)
{
    switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

constexpr unsigned kParityBits = PARENB | PARODD | CMSPAR;

unsigned ParityBits(BYTE parity)
{
    switch (parity) {
    case ODDPARITY: return PARENB | PARODD;
    case EVENPARITY: return PARENB;
    case MARKPARITY: return PARENB | PARODD | CMSPAR;
    case SPACEPARITY: return PARENB | CMSPAR;
    default: return 0;
    }
}

BYTE ParityOf(unsigned cflag)
{
    if (!(cflag & PARENB))
        return NOPARITY;
    if (cflag & CMSPAR)
        return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

bool Valid(const DCB &dcb)
{
    if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY)
        return false;
    // 1.5 stop bits exist only with 5 data bits, 2 stop bits only with more.
    if (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5)
        return false;
    if (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5)
        return false;
    if (dcb.StopBits > TWOSTOPBITS || dcb.fRtsControl == RTS_CONTROL_TOGGLE)
        return false;
    return !((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar);
}

}  // namespace

uint32_t LineRate(const termios2 &tio)
{
    const unsigned code = tio.c_cflag & CBAUD;
    if (code == BOTHER)
        return tio.c_ospeed;
    for (const auto &r : kStandardRates)
        if (r.code == code)
            return r.rate;
    return 0;
}

bool DcbToTermios(const DCB &dcb, const termios2 &current, LineRequest &out, DWORD &error)
{
    if (!Valid(dcb)) {
        error = ERROR_INVALID_PARAMETER;
        return false;
    }
    termios2 t = current;
    t.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL |
                   IUCLC | IXON | IXANY | IXOFF | IMAXBEL);
    if (dcb.fParity)
        t.c_iflag |= INPCK;
    if (dcb.fOutX)
        t.c_iflag |= IXON;
    if (dcb.fInX)
        t.c_iflag |= IXOFF;
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);

    const bool rtsCts = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    t.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | kParityBits | CSTOPB | CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL | SizeBits(dcb.ByteSize) | ParityBits(dcb.Parity);
    if (dcb.StopBits != ONESTOPBIT)
        t.c_cflag |= CSTOPB;  // with 5 data bits the UART makes this 1.5
    if (rtsCts)
        t.c_cflag |= CRTSCTS;
    if (const StandardRate *r = ByRate(dcb.BaudRate))
        t.c_cflag |= r->code;
    else
        t.c_cflag |= BOTHER;
    t.c_ispeed = t.c_ospeed = dcb.BaudRate;

    t.c_cc[VMIN] = 1;  // a non-blocking read of 0 bytes then always means hang-up
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);

    out.tio = t;
    out.waitForDsr = dcb.fOutxDsrFlow;
    out.dtr = dcb.fDtrControl == DTR_CONTROL_DISABLE ? -1 : 1;
    out.rts = rtsCts ? 0 : (dcb.fRtsControl == RTS_CONTROL_DISABLE ? -1 : 1);
    return true;
}

DCB DcbFromTermios(const termios2 &tio)
{
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = LineRate(tio);
    dcb.fBinary = 1;
    dcb.fParity = (tio.c_iflag & INPCK) != 0;
    const bool rtsCts = (tio.c_cflag & CRTSCTS) != 0;
    dcb.fOutxCtsFlow = rtsCts;
    dcb.fRtsControl = rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.ByteSize = ByteSizeOf(tio.c_cflag);
    dcb.Parity = ParityOf(tio.c_cflag);
    if (tio.c_cflag & CSTOPB)
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    else
        dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
    return dcb;
}

bool LineMatches(const termios2 &want, const termios2 &got, bool pseudoTerminal)
{
    // Drivers that round an odd rate report the rate they run at: within 2 % the line still works.
    const uint64_t wantRate = LineRate(want), gotRate = LineRate(got);
    const uint64_t diff = wantRate > gotRate ? wantRate - gotRate : gotRate - wantRate;
    if (gotRate == 0 || diff * 50 > wantRate)
        return false;
    unsigned compared = CSTOPB | CRTSCTS;
    if (!pseudoTerminal)
        compared |= CSIZE | kParityBits;
    return (want.c_cflag & compared) == (got.c_cflag & compared);
}

}  // namespace zmhw

#endif
