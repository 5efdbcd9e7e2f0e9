// How single bytes are named in the trace log and the terminal: "<CR>", "<1A>", "(-1)", ...
#pragma once

#include <cstdint>
#include <string>

// Where the text of named bytes stands: a line break waits for the next other character.
struct CharNameState {
    bool pendingBreak = false;
    bool lineEnd = false;
};

// The value that names no character: CharName then only gives a pending line break.
constexpr int32_t kNoCharacter = -999;

// The display name of one byte, advancing `state`; -999 names no character.
std::string CharName(CharNameState &state, int32_t value, bool showSpace);
