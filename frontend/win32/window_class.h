// A window class whose procedure hands every message to the C++ object that made the window
// (passed as CreateWindowEx's last argument): its Handle(msg, wp, lp), once `Ready()`.
#pragma once

#include <windows.h>

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
