// How single bytes are named in the trace log and the terminal pane.
#include "charname.h"

#include "format.h"

namespace {

std::string Name(int32_t value, bool showSpace, bool &lineEnd)
{
    if (value == kNoCharacter)
        return {};
    if (value < 0)
        return FormatGuarded("(%d)", {value});
    switch (value) {
    case 6:
        return "<ACK>";
    case 10:
        lineEnd = true;
        return "<LF>";
    case 13:
        lineEnd = true;
        return "<CR>";
    case 21:
        return "<NAK>";
    case 27:
        return "<ESC>";
    case 32:
        return showSpace ? "< >" : " ";
    default:
        if (value < 32)
            return FormatGuarded("<%x>", {value});
        return std::string(1, static_cast<char>(value & 0xFF));
    }
}

}  // namespace

// A line break is not shown at the CR or LF itself but in front of the next other character,
// so that a CR LF pair shows as both names on the line it ends.
std::string CharName(CharNameState &state, int32_t value, bool showSpace)
{
    state.lineEnd = false;
    std::string text = Name(value, showSpace, state.lineEnd);
    if (state.lineEnd) {
        state.pendingBreak = true;
    } else if (state.pendingBreak) {
        state.pendingBreak = false;
        text.insert(0, "\r\n");
    }
    return text;
}
