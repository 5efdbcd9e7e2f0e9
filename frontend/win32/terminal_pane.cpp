#include "terminal_pane.h"

#include <commctrl.h>

#include "key_bytes.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK PaneProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data)
{
    auto &onKey = *reinterpret_cast<std::function<void(char)> *>(data);
    switch (msg) {
    case WM_GETDLGCODE:
        // Tab, Enter and Escape are bytes for the programmer, not the window's keys.
        return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTTAB;
    case WM_KEYDOWN: {
        auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
        // A letter key's code is its capital.
        if (IsCopyKey(wp == VK_INSERT ? KeyKind::Insert : KeyKind::Character, char32_t(wp), down(VK_CONTROL),
                      down(VK_SHIFT), down(VK_MENU))) {
            // The character the key made is already queued: it is no byte for the programmer.
            MSG typed;
            PeekMessageW(&typed, hwnd, WM_CHAR, WM_CHAR, PM_REMOVE);
            SendMessageW(hwnd, WM_COPY, 0, 0);
            return 0;
        }
        break;
    }
    case WM_CHAR: {
        // The key that made it, from its scan code: Ctrl+Enter makes LF, and is Enter. Half of
        // a surrogate pair, like any character past Latin-1, is no byte.
        const UINT vk = MapVirtualKeyW(UINT(lp >> 16) & 0xFF, MAPVK_VSC_TO_VK);
        const KeyKind key = vk == VK_RETURN ? KeyKind::Enter
                            : vk == VK_BACK ? KeyKind::Backspace
                            : vk == VK_ESCAPE ? KeyKind::Escape
                            : vk == VK_TAB  ? KeyKind::Tab
                                            : KeyKind::Character;
        const int byte = TypedCharByte(char32_t(wp), key);
        if (byte >= 0)
            onKey(static_cast<char>(byte));
        return 0;
    }
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, PaneProc, kSubclassId);
        delete &onKey;
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateTerminalPane(HWND parent, int id, std::function<void(char)> onKey)
{
    // Word wrap: no ES_AUTOHSCROLL and no horizontal scroll bar.
    HWND pane = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                                    ES_AUTOVSCROLL | ES_NOHIDESEL,
                                0, 0, 0, 0, parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr),
                                nullptr);
    if (!pane)
        return nullptr;
    // A multiline EDIT holds about 32 kB unless told otherwise; 200 long lines can be more.
    SendMessageW(pane, EM_SETLIMITTEXT, 0, 0);
    SetWindowSubclass(pane, PaneProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(new std::function<void(char)>(std::move(onKey))));
    return pane;
}

void AppendCapped(HWND pane, const std::wstring &text, bool replace, int maxLines)
{
    if (replace) {
        SetWindowTextW(pane, text.c_str());
    } else if (!text.empty()) {
        const LRESULT end = GetWindowTextLengthW(pane);
        SendMessageW(pane, EM_SETSEL, WPARAM(end), LPARAM(end));
        SendMessageW(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Lines as the pane shows them: a wrapped line counts as several. Deleting whole shown
    // lines from the top leaves the others wrapped as they were; the loop is a guard.
    for (int round = 0; round < 4; ++round) {
        const LRESULT lines = SendMessageW(pane, EM_GETLINECOUNT, 0, 0);
        if (lines <= maxLines)
            break;
        const LRESULT cut = SendMessageW(pane, EM_LINEINDEX, WPARAM(lines - maxLines), 0);
        if (cut <= 0)
            break;
        SendMessageW(pane, EM_SETSEL, 0, cut);
        SendMessageW(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
    const LRESULT end = GetWindowTextLengthW(pane);
    SendMessageW(pane, EM_SETSEL, WPARAM(end), LPARAM(end));
    SendMessageW(pane, EM_SCROLLCARET, 0, 0);
}
