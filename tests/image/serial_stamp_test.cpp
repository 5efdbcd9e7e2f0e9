// The serial number's bytes in each format and width, and the numbers each refuses.
#include <gtest/gtest.h>

#include "image/serial_stamp.h"

TEST(SerialStamp, BytesOfEachFormatAndTheNumbersThatDoNotFit)
{
    struct Case {
        uint64_t number;
        const char *format;
        unsigned width;
        const char *hex;  // the bytes; empty: refused
    } cases[] = {
        {0x1234, "le", 4, "34120000"},
        {0x1234, "be", 4, "00001234"},
        {1234, "bcd", 3, "001234"},
        {1234, "dec", 6, "303031323334"},
        {0xBEEF, "hex", 5, "3042454546"},
        {255, "le", 1, "FF"},
        {256, "le", 1, ""},
        {UINT64_MAX, "be", 8, "FFFFFFFFFFFFFFFF"},
        {99, "bcd", 1, "99"},
        {100, "bcd", 1, ""},
        {9999999999999999ull, "bcd", 8, "9999999999999999"},
        {99999999, "dec", 8, "3939393939393939"},
        {100000000, "dec", 8, ""},
        {0xFFFF, "hex", 4, "46464646"},
        {0x10000, "hex", 4, ""},
        {1, "le", 0, ""},
        {1, "le", 9, ""},
    };
    for (const Case &c : cases) {
        SerialFormat format = SerialFormat::Le;
        ASSERT_TRUE(ParseSerialFormat(c.format, format)) << c.format;
        EXPECT_STREQ(SerialFormatName(format), c.format);
        std::string bytes, error;
        const bool fits = SerialBytes(c.number, format, c.width, bytes, error);
        EXPECT_EQ(fits, *c.hex != 0) << c.number << " " << c.format << " " << c.width << ": " << error;
        if (fits)
            EXPECT_EQ(SerialBytesHex(bytes), c.hex) << c.number << " " << c.format;
        else
            EXPECT_FALSE(error.empty());
    }
    SerialFormat format;
    EXPECT_FALSE(ParseSerialFormat("LE", format));
}
