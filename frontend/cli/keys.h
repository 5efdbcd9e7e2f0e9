// What the console makes of typed keys: the bytes the window sends for the same keys.
#pragma once

#include <string>

// Console keys to the bytes the window sends for the same keys: Backspace (DEL) as 8, a
// cursor or function key's escape sequence not at all (the window sends nothing for them),
// a UTF-8 character of Latin-1 as its byte, other characters not at all. The keys read at
// one time go in together, so a sequence is recognised whole.
std::string KeysToBytes(const std::string &keys);

// Ends the terminal: Ctrl-].
constexpr char kEndKey = 29;
