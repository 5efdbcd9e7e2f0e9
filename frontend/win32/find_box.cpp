#include "find_box.h"

#include <commctrl.h>

#include "key_bytes.h"
#include "wide_text.h"

namespace {

constexpr UINT_PTR kSubclassId = 2;

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data)
{
    auto &box = *reinterpret_cast<FindBox *>(data);
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_KEYDOWN: {
        const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        const FindKey key = FindKeyOf(wp == VK_F3 ? KeyKind::F3 : KeyKind::Character, char32_t(wp),
                                      (GetKeyState(VK_CONTROL) & 0x8000) != 0, shift,
                                      (GetKeyState(VK_MENU) & 0x8000) != 0);
        if (wp == VK_RETURN || key == FindKey::Next || key == FindKey::Previous) {
            box.onFind(key != FindKey::Previous);
            return 0;
        }
        if (wp == VK_ESCAPE) {
            box.onClose();
            return 0;
        }
        break;
    }
    case WM_CHAR:
        // Enter and Escape have acted on WM_KEYDOWN; as characters they would only beep.
        if (wp == '\r' || wp == 27)
            return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, EditProc, kSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void FindBox::Create(HWND parent, int editId, int matchCaseId)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(INT_PTR(editId)), instance, nullptr);
    matchCase = CreateWindowExW(0, L"BUTTON", L"match case", WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 0, 0,
                                parent, reinterpret_cast<HMENU>(INT_PTR(matchCaseId)), instance, nullptr);
    SetWindowSubclass(edit, EditProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void FindBox::Show(bool shown)
{
    for (HWND w : {edit, matchCase})
        ShowWindow(w, shown ? SW_SHOW : SW_HIDE);
    if (shown) {
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
    }
}

std::string FindBox::Text() const
{
    return Narrow(WindowString(edit));
}

bool FindBox::MatchCaseChecked() const
{
    return SendMessageW(matchCase, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
