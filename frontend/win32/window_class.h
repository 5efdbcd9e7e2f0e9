// A window class whose procedure hands every message to the C++ object that made the window
// (passed as CreateWindowEx's last argument): its Handle(msg, wp, lp), once `Ready()`. And
// what the windows do alike with their children.
#pragma once

#include <windows.h>

#include "window_layout.h"

template <class Window>
LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto *self = static_cast<Window *>(reinterpret_cast<CREATESTRUCTW *>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<Window *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Before its controls exist, and after it has gone, the system's own handling serves.
    if (!self || !self->Ready())
        return DefWindowProcW(hwnd, msg, wp, lp);
    return self->Handle(msg, wp, lp);
}

// Registers the class once, with the program's icon (resource 1).
template <class Window>
void RegisterWindowClass(const wchar_t *name)
{
    static const ATOM registered = [name] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ForwardingProc<Window>;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.lpszClassName = name;
        return RegisterClassExW(&wc);
    }();
    (void)registered;
}

// A child control of `parent` with the id `id`, placed later.
inline HWND CreateChild(HWND parent, const wchar_t *cls, const wchar_t *text, DWORD style, DWORD exStyle, int id)
{
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
}

inline void MoveBox(HWND control, const Box &box)
{
    MoveWindow(control, box.x, box.y, box.width, box.height, TRUE);
}

// A read-only EDIT's WM_CTLCOLORSTATIC: drawn as text to read, not as a disabled field.
inline LRESULT ReadOnlyPaneColors(WPARAM dc)
{
    SetBkColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOW));
    SetTextColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

// WM_DPICHANGED's rectangle, which the system suggests for the new dpi.
inline void MoveToSuggestedRect(HWND hwnd, LPARAM lp)
{
    const RECT *r = reinterpret_cast<const RECT *>(lp);
    SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
}
