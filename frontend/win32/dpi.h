// The window's dots per inch, where the system says (Windows 10 1607 and later), else 96.
#pragma once

#include <windows.h>

#include "window_layout.h"

UINT WindowDpi(HWND hwnd);
// The screen's dpi, which the system's metrics are for.
int SystemDpi();
// The message font, which the system's own dialogs and boxes use.
LOGFONTW MessageFont();
// The window logic's font for `role` at `dpi`; for controls the message font.
HFONT CreateRoleFont(FontRole role, UINT dpi);
