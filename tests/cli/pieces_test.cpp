// zmcli's pieces without a process: the progress line's figures, the keys a console sends and
// the lines of ports.
#include <gtest/gtest.h>

#include "commands.h"
#include "keys.h"
#include "progress.h"

namespace {

TEST(ProgressLine, Figures)
{
    const struct {
        int64_t done, total, counted;
        double seconds;
        const char *unit;
        std::string text;
    } cases[] = {
        {0, 1024, 0, 0.0, "bytes", "0 of 1024 bytes"},                                // nothing counted yet
        {512, 1024, 512, 2.0, "bytes", "512 of 1024 bytes, 256 bytes/s, 0:02 left"},  // half way
        {90, 100, 9, 2.0, "bytes", "90 of 100 bytes, 4.5 bytes/s, 0:02 left"},        // a slow rate: a decimal
        {7, -1, 7, 1.0, "lines", "7 lines, 7.0 lines/s"},                             // no total: no time left
        {100, 100, 100, 1.0, "bytes", "100 of 100 bytes, 100 bytes/s"},               // done: no time left
        {1, 3601, 1, 1.0, "bytes", "1 of 3601 bytes, 1.0 bytes/s, 60:00 left"},       // minutes past an hour
    };
    for (const auto &c : cases)
        EXPECT_EQ(ProgressLine::Figures(c.done, c.total, c.counted, c.seconds, c.unit), c.text) << c.text;
}

TEST(ConsoleKeys, BytesTheWindowSendsForTheSameKeys)
{
    const struct {
        std::string keys, bytes;
    } cases[] = {
        {"v\r", "v\r"},
        {"\x7f", "\b"},                                     // Backspace
        {"\x1b[A\x1b[15~x", "x"},                           // cursor and function keys: nothing
        {"\x1bOPy", "y"},                                   // F1 in application mode
        {"\x1b", "\x1b"},                                   // a lone ESC is a byte
        {"\xc3\xa9\xc2\xb0", "\xe9\xb0"},                   // Latin-1 characters as their bytes
        {"\xe2\x82\xac!", "!"},                             // a character beyond Latin-1: nothing
        {std::string("\x03\x1d", 2), std::string("\x03\x1d", 2)},  // Ctrl-C and Ctrl-] go on as bytes
    };
    for (const auto &c : cases)
        EXPECT_EQ(KeysToBytes(c.keys), c.bytes) << c.keys;
}

}  // namespace

TEST(PortLines, ColumnsThenWhatItIs)
{
    SerialPortInfo usb;
    usb.device = "/dev/ttyUSB0";
    usb.stableName = "/dev/serial/by-id/usb-FTDI_X-if00-port0";
    usb.description = "FT232R USB UART";
    usb.manufacturer = "FTDI";
    usb.vendorId = 0x0403;
    usb.productId = 0x6001;
    usb.serialNumber = "X";
    usb.port = 12;
    usb.portOrigin = "ZMHW_COM12";
    SerialPortInfo uart;
    uart.device = "/dev/ttyS0";
    uart.description = "16550A UART";
    uart.port = 1;
    SerialPortInfo gone;
    gone.device = "/dev/ttyUSB7";
    gone.port = 3;
    gone.portOrigin = "[ports] of /w/zm32.ini";
    gone.present = false;
    SerialPortInfo bare;
    bare.device = "/dev/ttyAMA0";
    EXPECT_EQ(PortLines({usb, uart, gone, bare}),
              "COM12  /dev/ttyUSB0  /dev/serial/by-id/usb-FTDI_X-if00-port0  "
              "FT232R USB UART, FTDI, USB 0403:6001, serial number X; COM12 from ZMHW_COM12\n"
              "COM1   /dev/ttyS0    -                                        16550A UART\n"
              "COM3   /dev/ttyUSB7  -                                        not present; COM3 from [ports] of /w/zm32.ini\n"
              "-      /dev/ttyAMA0  -                                        -\n");
    EXPECT_EQ(PortLines({}), "");
}
