// Numbers read from text: the one reader of every tool. Lenient forms read digits up to the first
// other character and never fail (the settings' own rules); whole forms take a text only when
// all of it is the number, in the writings each caller allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

struct NumberForm {
    unsigned base = 10;       // 10 or 16; "$" and "0x" make it 16 where they are allowed
    bool whole = true;        // false: lenient, the digits up to the first other character
    bool sign = false;        // whole: one "-" or "+" first; lenient: every "-" negates
    bool separators = false;  // lenient: "," and " " are skipped wherever they stand
    bool dollar = false;      // whole: a "$" before the digits
    bool zeroX = false;       // whole: "0x" or "0X" before the digits
    bool blanks = false;      // whole: " " before and after
    size_t mostDigits = 0;    // whole: at most so many digits; 0 for no bound

    // The forms written as they read: NumberForm::Hex().Dollar().Blanks().AtMost(8).
    static constexpr NumberForm Decimal() { return NumberForm(); }
    static constexpr NumberForm Hex()
    {
        NumberForm form;
        form.base = 16;
        return form;
    }
    constexpr NumberForm Lenient() const { return With(&NumberForm::whole, false); }
    constexpr NumberForm Signed() const { return With(&NumberForm::sign, true); }
    constexpr NumberForm Separators() const { return With(&NumberForm::separators, true); }
    constexpr NumberForm Dollar() const { return With(&NumberForm::dollar, true); }
    constexpr NumberForm ZeroX() const { return With(&NumberForm::zeroX, true); }
    constexpr NumberForm Blanks() const { return With(&NumberForm::blanks, true); }
    constexpr NumberForm AtMost(size_t digits) const
    {
        NumberForm form = *this;
        form.mostDigits = digits;
        return form;
    }

private:
    constexpr NumberForm With(bool NumberForm::*flag, bool on) const
    {
        NumberForm form = *this;
        form.*flag = on;
        return form;
    }
};

struct NumberRead {
    // Whole forms refuse a number past 64 bits; lenient ones wrap, so that their low 32 bits are right.
    uint64_t magnitude = 0;
    bool negative = false;
    unsigned base = 10;  // as written

    // The low 32 bits of the signed value, two's complement.
    int32_t Bits32() const
    {
        const uint32_t bits = static_cast<uint32_t>(magnitude);
        return static_cast<int32_t>(negative ? 0u - bits : bits);
    }
};

// `text` read as `form` says; none when a whole form does not fit it. A lenient form always reads.
std::optional<NumberRead> ReadNumberText(std::string_view text, const NumberForm &form);

// The value of one digit of `base` (10 or 16, either case), -1 for any other character.
int DigitValue(char c, unsigned base);
