// FormatGuarded: the front-end's small printf-like language ("%s", "%d", "%x", widths, "%%").
#include "format.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace {

struct FormatError {
    std::string message;
};

class Formatter {
public:
    Formatter(const std::string &format, const FormatArgs &args) : format_(format), args_(args) {}

    std::string Run()
    {
        std::string out;
        while (pos_ < format_.size()) {
            const char c = format_[pos_++];
            if (c != '%') {
                out += c;
                continue;
            }
            if (pos_ < format_.size() && format_[pos_] == '%') {
                ++pos_;
                out += '%';
                continue;
            }
            out += Placeholder(pos_ - 1);
        }
        return out;
    }

private:
    std::string Placeholder(size_t start)
    {
        bool left = false;
        if (pos_ < format_.size() && format_[pos_] == '-') {
            left = true;
            ++pos_;
        }
        int64_t width = Count(start, "width").value_or(0);
        if (width < 0) {
            left = true;
            width = -width;
        }
        int64_t precision = -1;  // none
        if (pos_ < format_.size() && format_[pos_] == '.') {
            ++pos_;
            precision = std::max<int64_t>(Count(start, "precision").value_or(0), -1);
        }
        if (width > kMaxFieldWidth || precision > kMaxFieldWidth)
            Fail(start, "asks for a field wider than " + std::to_string(kMaxFieldWidth));
        if (pos_ >= format_.size())
            throw FormatError{"the format ends inside the placeholder at position " +
                              std::to_string(start + 1)};
        const char type = format_[pos_++];
        std::string text;
        switch (type) {
        case 'd':
        case 'D':
            text = Decimal(NumberArg(start), precision);
            break;
        case 'x':
        case 'X':
            text = Hex(static_cast<uint32_t>(NumberArg(start)), precision);
            break;
        case 's':
        case 'S':
            text = TextArg(start);
            if (precision >= 0 && text.size() > static_cast<size_t>(precision))
                text.resize(static_cast<size_t>(precision));
            break;
        default:
            Fail(start, "is not one of %s, %d and %x");
        }
        if (text.size() < static_cast<size_t>(width)) {
            const std::string pad(static_cast<size_t>(width) - text.size(), ' ');
            text = left ? text + pad : pad + text;
        }
        return text;
    }

    // A width or precision: digits, "*" (taken from the arguments) or nothing.
    std::optional<int64_t> Count(size_t start, const char *what)
    {
        if (pos_ < format_.size() && format_[pos_] == '*') {
            ++pos_;
            const FormatArg &arg = NextArg(start);
            if (arg.IsText())
                Fail(start, std::string("takes its ") + what + " from an argument that is a text");
            return arg.Number();
        }
        std::optional<int64_t> value;
        while (pos_ < format_.size() && format_[pos_] >= '0' && format_[pos_] <= '9') {
            value = value.value_or(0) * 10 + (format_[pos_++] - '0');
            if (*value > kMaxFieldWidth)
                Fail(start, "asks for a field wider than " + std::to_string(kMaxFieldWidth));
        }
        return value;
    }

    const FormatArg &NextArg(size_t start)
    {
        if (next_ >= args_.size())
            Fail(start, "has no argument left (" + std::to_string(args_.size()) + " given)");
        return args_[next_++];
    }

    int32_t NumberArg(size_t start)
    {
        const FormatArg &arg = NextArg(start);
        if (arg.IsText())
            Fail(start, "needs a number, but argument " + std::to_string(next_) + " is a text");
        return arg.Number();
    }

    const std::string &TextArg(size_t start)
    {
        const FormatArg &arg = NextArg(start);
        if (!arg.IsText())
            Fail(start, "needs a text, but argument " + std::to_string(next_) + " is a number");
        return arg.Text();
    }

    static std::string Decimal(int32_t value, int64_t precision)
    {
        const int64_t wide = value;
        std::string digits = std::to_string(wide < 0 ? -wide : wide);
        if (precision > static_cast<int64_t>(digits.size()))
            digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        return value < 0 ? "-" + digits : digits;
    }

    static std::string Hex(uint32_t value, int64_t precision)
    {
        std::string digits;
        do {
            digits.insert(digits.begin(), "0123456789ABCDEF"[value & 0xF]);
            value >>= 4;
        } while (value != 0);
        if (precision > static_cast<int64_t>(digits.size()))
            digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        return digits;
    }

    [[noreturn]] void Fail(size_t start, const std::string &problem) const
    {
        throw FormatError{"placeholder \"" + format_.substr(start, pos_ - start) + "\" at position " +
                          std::to_string(start + 1) + " " + problem};
    }

    const std::string &format_;
    const FormatArgs &args_;
    size_t pos_ = 0;
    size_t next_ = 0;
};

std::string ErrorText(const std::string &message, const std::string &format)
{
    return "Format() error in program!\r\nError:\r\n" + message + "\r\nFormat:\r\n" + format;
}

}  // namespace

std::string FormatGuarded(const std::string &format, const FormatArgs &args)
{
    try {
        return Formatter(format, args).Run();
    } catch (const FormatError &error) {
        return ErrorText(error.message, format);
    } catch (const std::exception &error) {
        return ErrorText(error.what(), format);
    }
}
