// Text, number and path helpers shared by the whole front-end.
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

int32_t ParseDecimal(const std::string &text);
int32_t ParseHex(const std::string &text);
// The value of one hexadecimal digit in either case, -1 for any other character.
int HexDigitValue(char c);
// Hexadecimal of at least `width` digits (at most kMaxFieldWidth), padded with "0".
std::string HexPadded(int32_t value, int width);
void UpcaseLetter(char &c);

// A bare file name is non-empty and has no directory separator.
bool IsBareName(const std::string &name);
std::string ProgramDir();
// A regular file (or a link to one) exists at the path.
bool FileExists(const std::string &path);
void QualifyInCurrentDir(std::string &name);
void QualifyInProgramDir(std::string &name);
std::string QualifiedInProgramDir(const std::string &name);
// Serial port `port` by its name and, where the platform maps the name to a device, that
// device: "COM1 (/dev/ttyUSB0)".
std::string PortName(int32_t port);

