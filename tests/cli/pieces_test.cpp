// zmcli's pieces without a process: the progress line's figures and the keys a console sends.
#include <gtest/gtest.h>

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
