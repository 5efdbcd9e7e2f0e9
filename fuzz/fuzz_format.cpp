// FormatGuarded with any format and any arguments: it must always return, with a text no longer
// than the format's fields allow. (A format or an argument may itself hold text that looks like
// the error text, so the result's wording is left to the unit tests.)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "format.h"
#include "numbers.h"

namespace {

constexpr size_t kFieldLimit = kMaxFieldWidth;
const std::string kErrorHead = "Format() error in program!\r\nError:\r\n";

}  // namespace

// Pieces separated by NUL: the format, then the arguments. A piece of "#" and four bytes is a
// number, any other piece a text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> pieces;
    size_t from = 0;
    for (size_t end; (end = input.find('\0', from)) != std::string::npos; from = end + 1)
        pieces.push_back(input.substr(from, end - from));
    pieces.push_back(input.substr(from));

    const std::string &format = pieces.front();
    FormatArgs args;
    size_t argBytes = 0;
    for (size_t i = 1; i < pieces.size(); ++i) {
        const std::string &piece = pieces[i];
        if (piece.size() == 5 && piece[0] == '#') {
            int32_t number;
            std::memcpy(&number, piece.data() + 1, sizeof number);
            args.emplace_back(number);
        } else {
            args.emplace_back(piece);
        }
        argBytes += piece.size() + 11;
    }

    const std::string text = FormatGuarded(format, args);
    // Every placeholder is at least two bytes of the format and fills at most one field.
    if (text.size() > kErrorHead.size() + 2 * format.size() + 200 + argBytes + (format.size() / 2) * kFieldLimit)
        __builtin_trap();

    if (!args.empty() && !args.front().IsText()) {
        const std::string hex = HexPadded(args.front().Number(), static_cast<int>(format.size()));
        if (hex.find(' ') != std::string::npos || hex.size() < std::min<size_t>(format.size(), kFieldLimit))
            __builtin_trap();
    }
    return 0;
}
