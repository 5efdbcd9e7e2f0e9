// The one number reader's whole forms: what each writing takes, and that a number too long for
// 64 bits is refused rather than wrapped.
#include <gtest/gtest.h>

#include "image/number_text.h"

TEST(NumberText, WholeFormsTakeAllOfTheTextOrNothing)
{
    const NumberForm setting = NumberForm::Decimal().Signed().Dollar().ZeroX();
    const NumberForm field = NumberForm::Hex().Dollar().Blanks().AtMost(8);
    const struct {
        const char *text;
        NumberForm form;
        bool read;
        uint64_t magnitude;
        bool negative;
        unsigned base;
    } cases[] = {
        {"-300", setting, true, 300, true, 10},
        {"+$7f", setting, true, 0x7F, false, 16},
        {"0X10", setting, true, 0x10, false, 16},
        {"0x", setting, false, 0, false, 10},     // no prefix alone: "x" is no digit
        {"$0x10", setting, false, 0, false, 16},  // one prefix only
        {"19,200", setting, false, 0, false, 10},
        {"", setting, false, 0, false, 10},
        {"18446744073709551615", setting, true, UINT64_MAX, false, 10},
        {"18446744073709551616", setting, false, 0, false, 10},  // past 64 bits: refused, not wrapped
        {"  $7FFF ", field, true, 0x7FFF, false, 16},
        {"123456789", field, false, 0, false, 16},
        {"1 2", field, false, 0, false, 16},
        {"\t1", field, false, 0, false, 16},  // blanks are spaces only
    };
    for (const auto &c : cases) {
        const auto number = ReadNumberText(c.text, c.form);
        ASSERT_EQ(number.has_value(), c.read) << c.text;
        if (!number)
            continue;
        EXPECT_EQ(number->magnitude, c.magnitude) << c.text;
        EXPECT_EQ(number->negative, c.negative) << c.text;
        EXPECT_EQ(number->base, c.base) << c.text;
    }
    EXPECT_EQ(ReadNumberText("-0x80000000", setting)->Bits32(), INT32_MIN);
}
