// The line settings of a terminal as read with its own descriptor, independent of the library.
#pragma once

#include <cstdint>

namespace zmtest {

struct LineView {
    bool ok = false;
    uint32_t rate = 0;  // bits per second
    int dataBits = 0;
    bool twoStopBits = false;  // CSTOPB: 2, or 1.5 with 5 data bits
    bool rtsCts = false;
    bool raw = false;  // no canonical input, echo, signals, output or CR/LF processing, no XON/XOFF
};

LineView ReadLine(int fd);

}  // namespace zmtest
