#include "dpi.h"

#include "wide_text.h"

UINT WindowDpi(HWND hwnd)
{
    // Looked up, so that the program still starts where the call is missing.
    using GetDpiForWindowFn = UINT(WINAPI *)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpi && hwnd ? getDpi(hwnd) : 0;
    return dpi ? dpi : 96;
}

int SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi ? dpi : 96;
}

LOGFONTW MessageFont()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return metrics.lfMessageFont;
    LOGFONTW font{};
    font.lfHeight = -11;
    font.lfWeight = FW_NORMAL;
    lstrcpynW(font.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    return font;
}

HFONT CreateRoleFont(FontRole role, UINT dpi)
{
    const Font font = FontFor(role);
    if (font.family)
        return CreateFontW(-ScaledPixels(font.pixels, int(dpi)), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                           FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           font.fixedPitch ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS,
                           Widen(font.family).c_str());
    LOGFONTW message = MessageFont();
    // The system's metrics are for its own dpi; scaled to the window's.
    message.lfHeight = MulDiv(message.lfHeight, int(dpi), SystemDpi());
    return CreateFontIndirectW(&message);
}
