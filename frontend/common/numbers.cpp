// The lenient number readers of the settings and the uploads, and hex padding.
#include "numbers.h"

#include "format.h"
#include "image/number_text.h"

#include <algorithm>

int HexDigitValue(char c)
{
    return DigitValue(c, 16);
}

// Commas are thousands separators ("19,200"); a "-" anywhere makes the number negative.
// 32-bit arithmetic that wraps.
int32_t ParseDecimal(const std::string &text)
{
    return ReadNumberText(text, NumberForm::Decimal().Lenient().Signed().Separators())->Bits32();
}

// No sign and no prefix: of more digits than eight, the last eight count.
int32_t ParseHex(const std::string &text)
{
    return ReadNumberText(text, NumberForm::Hex().Lenient())->Bits32();
}

std::string HexPadded(int32_t value, int width)
{
    // A negative width would left-justify: it pads nothing instead.
    std::string text = FormatGuarded("%*x", {std::clamp(width, 0, kMaxFieldWidth), value});
    std::replace(text.begin(), text.end(), ' ', '0');
    return text;
}
