#include "dpi.h"

UINT WindowDpi(HWND hwnd)
{
    // Looked up, so that the program still starts where the call is missing.
    using GetDpiForWindowFn = UINT(WINAPI *)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpi && hwnd ? getDpi(hwnd) : 0;
    return dpi ? dpi : 96;
}

HFONT CreateMessageFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    // The system's metrics are for its own dpi; scaled to the window's.
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, int(dpi), systemDpi ? systemDpi : 96);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HFONT CreateFaceFont(const wchar_t *face, int pixels, UINT dpi)
{
    return CreateFontW(-ScaledPixels(pixels, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, face);
}
