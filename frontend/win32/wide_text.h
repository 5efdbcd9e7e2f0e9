// The window's UTF-8 texts as the Win32 controls take them, and the file names as the session
// opens them (the narrow C calls, in the ANSI code page).
#pragma once

#include <string>

// UTF-8 to UTF-16; a bad sequence becomes U+FFFD.
std::wstring Widen(const std::string &utf8);
std::string Narrow(const std::wstring &wide);
// As Widen, with every "\n" and the CRs before it as one "\r\n": a multiline EDIT control
// breaks lines only there.
std::wstring WidenForEdit(const std::string &utf8);
// "\r\n" as "\n" again.
std::wstring WithoutCarriageReturns(const std::wstring &text);

// A name in the ANSI code page, and back. Empty when the name has a character that the
// code page lacks, which the narrow calls would open as another file.
std::string ToAnsi(const std::wstring &name);
std::wstring FromAnsi(const std::string &name);
