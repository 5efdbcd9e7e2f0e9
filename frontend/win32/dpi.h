// The window's dots per inch, where the system says (Windows 10 1607 and later), else 96.
#pragma once

#include <windows.h>

UINT WindowDpi(HWND hwnd);
// `px` pixels at 96 dpi, at `dpi`.
inline int ScaledPixels(int px, UINT dpi) { return MulDiv(px, int(dpi), 96); }
// The message font (menus and dialogs use it) at `dpi`.
HFONT CreateMessageFont(UINT dpi);
// A font of `face`, `pixels` high at 96 dpi.
HFONT CreateFaceFont(const wchar_t *face, int pixels, UINT dpi);
