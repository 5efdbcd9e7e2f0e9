// The window's texts: one rule for every caption, status line, box and label, and the
// conversions a view needs.
#pragma once

#include <cstddef>
#include <string>

// What the window shows of a text made of bytes (a file name, a settings path, a message):
// UTF-8 where the bytes are UTF-8, else every byte as one Latin-1 character, so that a name in
// another encoding keeps all its bytes; CR LF becomes one line break. The result is UTF-8.
std::string WindowText(const std::string &bytes);
// Every byte as one Latin-1 character, as UTF-8: the terminal's received and echoed bytes.
std::string Latin1ToUtf8(const std::string &bytes);
// UTF-8 (as WindowText makes it) to UTF-16 and back; a bad sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string &text);
std::string Utf16ToUtf8(const std::u16string &text);
// The first place at or after `from` where `needle` stands in `text`, letter case aside
// (ASCII and Latin-1 letters); npos when none or when `needle` is empty.
size_t FindIgnoringCase(const std::u16string &text, const std::u16string &needle, size_t from);
// As a multiline edit control takes a text: every "\n", with the CRs before it, as one
// "\r\n", the only break it knows (it takes CR CR LF for its mark of a wrapped line).
std::u16string WithCrLfBreaks(const std::u16string &text);
// Where `position` in `text` ("\n" breaks) lies in WithCrLfBreaks(text).
size_t CrLfPosition(const std::u16string &text, size_t position);
