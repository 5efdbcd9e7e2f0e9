// The window's UTF-8 texts as the Win32 controls take them, and the file names as the session
// opens them (the narrow C calls, in the ANSI code page).
#pragma once

#include <windows.h>

#include <string>

// UTF-8 to UTF-16; a bad sequence becomes U+FFFD.
std::wstring Widen(const std::string &utf8);
std::string Narrow(const std::wstring &wide);
// As Widen, with the line breaks a multiline EDIT control shows.
std::wstring WidenForEdit(const std::string &utf8);
// A window's or control's text.
std::wstring WindowString(HWND window);

// A name in the ANSI code page, and back. Empty when the name has a character that the
// code page lacks, which the narrow calls would open as another file.
std::string ToAnsi(const std::wstring &name);
std::wstring FromAnsi(const std::string &name);
