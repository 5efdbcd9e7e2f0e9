// Kept apart: the arbitrary-rate termios2 structure cannot share a unit with <termios.h>.
#include "line_view.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace zmtest {

LineView ReadLine(int fd)
{
    LineView v;
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return v;
    v.ok = true;
    switch (t.c_cflag & CBAUD) {
    case BOTHER: v.rate = t.c_ospeed; break;
    case B9600: v.rate = 9600; break;
    case B19200: v.rate = 19200; break;
    case B57600: v.rate = 57600; break;
    case B115200: v.rate = 115200; break;
    default: v.rate = 0; break;
    }
    switch (t.c_cflag & CSIZE) {
    case CS5: v.dataBits = 5; break;
    case CS6: v.dataBits = 6; break;
    case CS7: v.dataBits = 7; break;
    default: v.dataBits = 8; break;
    }
    v.twoStopBits = t.c_cflag & CSTOPB;
    v.rtsCts = t.c_cflag & CRTSCTS;
    v.raw = !(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) && !(t.c_oflag & OPOST) &&
            !(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP)) && (t.c_cflag & CREAD);
    return v;
}

}  // namespace zmtest
