// The window's dots per inch, where the system says (Windows 10 1607 and later), else 96.
#pragma once

#include <windows.h>

UINT WindowDpi(HWND hwnd);
// The screen's dpi, which the system's metrics are for.
int SystemDpi();
// The message font, which the system's own dialogs and boxes use, and that font at `dpi`.
LOGFONTW MessageFont();
HFONT CreateMessageFont(UINT dpi);
// A font of `face`, `pixels` high at 96 dpi.
HFONT CreateFaceFont(const wchar_t *face, int pixels, UINT dpi);
