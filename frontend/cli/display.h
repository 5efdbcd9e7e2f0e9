// How the console shows the line and what it makes of typed keys: the window's rules, in
// bytes for a terminal.
#pragma once

#include <cstdint>
#include <string>

#include "bytelayer.h"

// Received (and echoed) bytes as the terminal pane shows them: control bytes by name, a new
// line after CR or LF, a NUL not at all; bytes above 127 as the characters they stand for in
// the pane (Latin-1), written in UTF-8. Raw: every byte as it came.
class LineDisplay {
public:
    explicit LineDisplay(bool raw) : raw_(raw) {}
    std::string Render(const std::string &bytes);

private:
    bool raw_;
    LineState state_;
};

// Console keys to the bytes the window sends for the same keys: Backspace (DEL) as 8, a
// cursor or function key's escape sequence not at all (the window sends nothing for them),
// a UTF-8 character of Latin-1 as its byte, other characters not at all. The keys read at
// one time go in together, so a sequence is recognised whole.
std::string KeysToBytes(const std::string &keys);

// Ends the terminal: Ctrl-].
constexpr char kEndKey = 29;
