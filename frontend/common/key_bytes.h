// The bytes that typed keys send to the programmer: one table for both windows and the console.
#pragma once

// What kind of key a window reports.
enum class KeyKind { Character, Enter, Backspace, Escape, Tab, Insert, Other };

// A window's key: Enter 13, Backspace 8, Escape 27, Tab 9; Ctrl with a letter 1 to 26, with
// "@" 0, "[" 27, "\" 28, "]" 29, "^" 30, "_" 31, with anything else nothing; a character key
// its character when it is a printable Latin-1 one. With Alt or Meta nothing: those are the window's shortcuts.
// `c`: the character the key makes (for Ctrl: the key's own, a letter in either case).
// Returns the byte, or -1 for none.
int KeyByte(KeyKind kind, char32_t c, bool ctrl, bool altOrMeta);

// Whether the key copies the terminal's selection instead: Ctrl+Shift+C and Ctrl+Insert (Ctrl+C
// is a byte for the programmer). `c` as for KeyByte.
bool IsCopyKey(KeyKind kind, char32_t c, bool ctrl, bool shift, bool altOrMeta);

// A character as it arrives from a console or a window's character message, where the
// system has already made Enter, Tab, Backspace, Escape and the Ctrl keys into their control
// characters: told back as the key that made it, so that KeyByte decides. A control character
// is its Ctrl key, DEL (Backspace on a console, Ctrl+Backspace in a window) Backspace; `key`,
// where the window knows it, the key (Ctrl+Enter makes LF, and is Enter). -1 for none.
int TypedCharByte(char32_t c, KeyKind key = KeyKind::Character);
