#include "help_window.h"

#include <commctrl.h>

#include <algorithm>

#include "control_ids.h"
#include "dpi.h"
#include "window_text.h"
#include "wide_text.h"
#include "window_class.h"
#include "window_layout.h"

namespace {

const wchar_t kClassName[] = L"zm32helpf";

void SetTab(HWND tabs, UINT message, int page, const std::wstring &caption)
{
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t *>(caption.c_str());
    SendMessageW(tabs, message, page, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

HelpWindow::HelpWindow(HWND owner)
{
    RegisterWindowClass<HelpWindow>(kClassName);
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Widen(HelpWindowLogic::kCaption).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, HelpWindowLogic::kWidth, HelpWindowLogic::kHeight, owner, nullptr,
                            GetModuleHandleW(nullptr), this);
    if (!hwnd_)
        return;
    dpi_ = WindowDpi(hwnd_);
    RECT r{0, 0, ScaledPixels(HelpWindowLogic::kWidth, int(dpi_)), ScaledPixels(HelpWindowLogic::kHeight, int(dpi_))};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    BuildControls();
    Layout();
    logic.FormCreate();
}

HelpWindow::~HelpWindow()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
    DeleteObject(paneFont_);
    DeleteObject(uiFont_);
}

void HelpWindow::BuildControls()
{
    pageControl1_ = CreateChild(hwnd_, WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0,
                                zmids::kPageControl1);
    for (int page = 0; page < 2; ++page) {
        SetTab(pageControl1_, TCM_INSERTITEMW, page, L"");
        panes_[page] =
            CreateChild(hwnd_, L"EDIT", L"",
                        WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL,
                        WS_EX_CLIENTEDGE, page == 0 ? zmids::kRichEditTeciFake : zmids::kRichEditTeci);
        SendMessageW(panes_[page], EM_SETLIMITTEXT, 0, 0);
    }
    buttonSearch_ = CreateChild(hwnd_, L"BUTTON", Widen(HelpWindowLogic::kSearchCaption).c_str(),
                                WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, zmids::kButtonSearch);
    edit1_ = CreateChild(hwnd_, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                         zmids::kEdit1);
    MakeFonts();
    ShowPage(0);
}

void HelpWindow::MakeFonts()
{
    DeleteObject(paneFont_);
    DeleteObject(uiFont_);
    paneFont_ = CreateRoleFont(FontRole::HelpText, dpi_);
    uiFont_ = CreateRoleFont(FontRole::HelpWindow, dpi_);
    for (HWND w : {pageControl1_, panes_[0], panes_[1]})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(paneFont_), TRUE);
    for (HWND w : {buttonSearch_, edit1_})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
}

void HelpWindow::Layout()
{
    RECT client;
    GetClientRect(hwnd_, &client);
    const HelpWindowLayout l = LayOutHelpWindow(client.right, client.bottom, int(dpi_));
    MoveBox(pageControl1_, l.tabs);
    RECT inside{0, 0, l.tabs.width, l.tabs.height};
    TabCtrl_AdjustRect(pageControl1_, FALSE, &inside);
    for (HWND pane : panes_)
        MoveWindow(pane, inside.left, inside.top, std::max(0, int(inside.right - inside.left)),
                   std::max(0, int(inside.bottom - inside.top)), TRUE);
    // The panes lie over the tab control: they come first in the drawing order.
    for (HWND pane : panes_)
        SetWindowPos(pane, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    MoveBox(buttonSearch_, l.searchButton);
    MoveBox(edit1_, l.searchBox);
}

void HelpWindow::ShowPage(int page)
{
    for (int p = 0; p < 2; ++p)
        ::ShowWindow(panes_[p], p == page ? SW_SHOW : SW_HIDE);
}

LRESULT HelpWindow::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_CLOSE:
        Hide();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == zmids::kButtonSearch && HIWORD(wp) == BN_CLICKED) {
            logic.Button_SearchClick();
            return 0;
        }
        if (LOWORD(wp) == zmids::kEdit1 && HIWORD(wp) == EN_CHANGE) {
            logic.Edit1Change();
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const NMHDR *hdr = reinterpret_cast<const NMHDR *>(lp);
        if (hdr->hwndFrom == pageControl1_ && hdr->code == TCN_SELCHANGE) {
            ShowPage(CurrentPage());
            logic.PageControl1Change();
            return 0;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == panes_[0] || reinterpret_cast<HWND>(lp) == panes_[1])
            return ReadOnlyPaneColors(wp);
        break;
    case WM_DPICHANGED:
        dpi_ = HIWORD(wp);
        MakeFonts();
        MoveToSuggestedRect(hwnd_, lp);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

bool HelpWindow::PreTranslate(MSG &msg)
{
    if (!hwnd_ || !IsWindowVisible(hwnd_) || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)))
        return false;
    // The window sees its keys before its controls do.
    if (msg.message == WM_KEYDOWN) {
        const HelpWindowLogic::Key key = msg.wParam == VK_RETURN ? HelpWindowLogic::Key::Enter
                                         : msg.wParam == VK_F3   ? HelpWindowLogic::Key::F3
                                                                 : HelpWindowLogic::Key::Other;
        if (logic.KeyDown(key, msg.hwnd == edit1_))
            return true;
    }
    // Enter's character, whose key the search took, would only beep.
    if (msg.message == WM_CHAR && msg.wParam == L'\r' && msg.hwnd == edit1_)
        return true;
    return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void HelpWindow::Hide()
{
    logic.FormClose();
    ::ShowWindow(hwnd_, SW_HIDE);
}

void HelpWindow::SetPaneText(int page, const std::string &text)
{
    SetWindowTextW(panes_[page], WidenForEdit(text).c_str());
}

void HelpWindow::SetTabCaption(int page, const std::string &caption)
{
    SetTab(pageControl1_, TCM_SETITEMW, page, Widen(caption));
}

void HelpWindow::SetCurrentPage(int page)
{
    // Unlike a click, this sends no TCN_SELCHANGE.
    SendMessageW(pageControl1_, TCM_SETCURSEL, page, 0);
    ShowPage(page);
}

int HelpWindow::CurrentPage() const
{
    return int(SendMessageW(pageControl1_, TCM_GETCURSEL, 0, 0));
}

void HelpWindow::SelectInPane(int page, size_t from, size_t to)
{
    const std::u16string &text = logic.PaneText(page);
    SendMessageW(panes_[page], EM_SETSEL, CrLfPosition(text, from), LPARAM(CrLfPosition(text, to)));
    SendMessageW(panes_[page], EM_SCROLLCARET, 0, 0);
}

void HelpWindow::FocusPane(int page)
{
    SetFocus(panes_[page]);
}

void HelpWindow::FocusSearchBox()
{
    SetFocus(edit1_);
}

std::string HelpWindow::SearchText() const
{
    return Narrow(WindowString(edit1_));
}

void HelpWindow::EnableSearchButton(bool on)
{
    EnableWindow(buttonSearch_, on);
}

void HelpWindow::ShowWindow()
{
    ::ShowWindow(hwnd_, SW_SHOW);
}

void HelpWindow::RaiseWindow()
{
    if (IsIconic(hwnd_))
        ::ShowWindow(hwnd_, SW_RESTORE);
    SetForegroundWindow(hwnd_);
    BringWindowToTop(hwnd_);
}
