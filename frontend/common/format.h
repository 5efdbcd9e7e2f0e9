// Filling "%s", "%d", "%x" formats that never fail, whatever the arguments.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

// One argument of a guarded format: a 32-bit integer or a text.
class FormatArg {
public:
    template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
    FormatArg(T value) : isText_(false), number_(static_cast<int32_t>(value)) {}
    FormatArg(const std::string &text) : isText_(true), text_(text) {}
    FormatArg(const char *text) : isText_(true), text_(text ? text : "") {}

    bool IsText() const { return isText_; }
    int32_t Number() const { return number_; }
    const std::string &Text() const { return text_; }

private:
    bool isText_;
    int32_t number_ = 0;
    std::string text_;
};
using FormatArgs = std::vector<FormatArg>;

// The widest field a placeholder may ask for; wider ones are format errors.
constexpr int kMaxFieldWidth = 10000;

// Fills the format ("%s", "%d", "%x", "*" widths); a bad format or argument list never
// escapes: the result is then the format error text naming the problem and the format.
std::string FormatGuarded(const std::string &format, const FormatArgs &args = {});
