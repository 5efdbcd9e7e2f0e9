#include "production_window.h"

#include "control_ids.h"
#include "dpi.h"
#include "form_fields.h"
#include "production_panel_layout.h"
#include "wide_text.h"
#include "window_class.h"

namespace {

const wchar_t kClassName[] = L"zm32production";

int ButtonId(PanelButton b) { return zmids::kPanelFirstButton + int(b); }

COLORREF VerdictColour(PanelVerdict verdict)
{
    const uint32_t rgb = ProductionPanelLogic::VerdictBackground(verdict);
    return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

ProductionWindow::ProductionWindow(HWND owner, MainWindowLogic &main) : logic(main, *this)
{
    RegisterWindowClass<ProductionWindow>(kClassName);
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Widen(ProductionPanelLogic::kCaption).c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, 0, 0, owner, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_)
        return;
    dpi_ = WindowDpi(hwnd_);
    BuildControls();
    Layout();
}

ProductionWindow::~ProductionWindow()
{
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    DeleteObject(uiFont_);
    DeleteObject(wordFont_);
    DeleteObject(verdictBrush_);
}

void ProductionWindow::BuildControls()
{
    int index = 0;
    for (const ProductionPanelLogic::Field &field : ProductionPanelLogic::Fields()) {
        CreateChild(hwnd_, L"STATIC", Widen(field.label).c_str(), WS_VISIBLE, 0, zmids::kPanelFirstLabel + index);
        HWND control = CreateChild(hwnd_, FieldClass(field.kind), L"", WS_VISIBLE | FieldStyle(field.kind),
                                   field.kind == SettingsField::Kind::Edit ? WS_EX_CLIENTEDGE : 0,
                                   zmids::kPanelFirstField + index);
        AddChoices(control, field.choices);
        fields_[field.id] = control;
        if (field.browse) {
            const PanelButton b = ProductionPanelLogic::BrowseButtonOf(field.id);
            buttons_[b] = CreateChild(hwnd_, L"BUTTON", Widen(ProductionPanelLogic::kBrowseCaption).c_str(),
                                      WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, ButtonId(b));
        }
        ++index;
    }
    for (const ProductionPanelLogic::RowButton &b : ProductionPanelLogic::RowButtons())
        buttons_[b.id] = CreateChild(hwnd_, L"BUTTON", Widen(b.caption).c_str(),
                                     WS_VISIBLE | WS_TABSTOP | (b.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                                     ButtonId(b.id));
    counters_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE, 0, zmids::kPanelCounters);
    detail_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE | SS_NOPREFIX, 0, zmids::kPanelResultDetail);
    uiFont_ = CreateRoleFont(FontRole::Controls, dpi_);
    wordFont_ = CreateRoleFont(FontRole::Result, dpi_);
    word_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 0, zmids::kPanelResult);
    for (HWND w = GetWindow(hwnd_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(w == word_ ? wordFont_ : uiFont_), TRUE);
}

void ProductionWindow::Layout()
{
    const ProductionPanelLayout l = LayOutProductionPanel(int(dpi_));
    int index = 0;
    for (const ProductionPanelLogic::Field &field : ProductionPanelLogic::Fields()) {
        const ProductionPanelLayout::FieldRow &row = l.fields[size_t(index)];
        MoveBox(GetDlgItem(hwnd_, zmids::kPanelFirstLabel + index++), row.label);
        MoveBox(fields_[field.id], row.field);
        if (field.browse)
            MoveBox(buttons_[ProductionPanelLogic::BrowseButtonOf(field.id)], row.browse);
    }
    for (size_t i = 0; i < l.buttons.size(); ++i)
        MoveBox(buttons_[ProductionPanelLogic::RowButtons()[i].id], l.buttons[i]);
    MoveBox(counters_, l.counters);
    MoveBox(word_, l.word);
    MoveBox(detail_, l.detail);
    RECT r{0, 0, l.width, l.height};
    AdjustWindowRectEx(&r, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE, WS_EX_CONTROLPARENT);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT ProductionWindow::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        // Enter anywhere in the window presses the default button.
        const int pressed = id == IDOK ? ButtonId(PanelButton::NextChip) : id;
        if (HIWORD(wp) != BN_CLICKED || pressed < zmids::kPanelFirstButton || pressed > ButtonId(PanelButton::End))
            break;
        const auto button = static_cast<PanelButton>(pressed - zmids::kPanelFirstButton);
        // Enter reaches a disabled default button too.
        if (button != PanelButton::NextChip || IsWindowEnabled(buttons_[button]))
            logic.Press(button);
        return 0;
    }
    case DM_GETDEFID:
        return MAKELRESULT(ButtonId(PanelButton::NextChip), DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == word_ && verdict_ != PanelVerdict::None) {
            SetTextColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
            SetBkColor(reinterpret_cast<HDC>(wp), VerdictColour(verdict_));
            return reinterpret_cast<LRESULT>(verdictBrush_);
        }
        break;
    case WM_CLOSE:
        Hide();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

bool ProductionWindow::PreTranslate(MSG &msg)
{
    if (!hwnd_ || !IsWindowVisible(hwnd_) || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)))
        return false;
    return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void ProductionWindow::Hide()
{
    logic.Closed();
    ::ShowWindow(hwnd_, SW_HIDE);
}

void ProductionWindow::ShowPanel()
{
    ::ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

std::string ProductionWindow::FieldText(PanelField field) const
{
    return FieldString(fields_.at(field));
}

void ProductionWindow::SetFieldText(PanelField field, const std::string &text)
{
    ShowFieldText(fields_.at(field), ProductionPanelLogic::FieldOf(field).kind, text);
}

void ProductionWindow::EnableFields(bool on)
{
    for (auto &[id, w] : fields_)
        EnableWindow(w, on);
}

void ProductionWindow::EnableButton(PanelButton button, bool on)
{
    EnableWindow(buttons_.at(button), on);
}

void ProductionWindow::SetCounters(const std::string &text)
{
    SetWindowTextW(counters_, Widen(text).c_str());
}

void ProductionWindow::SetResult(const std::string &word, const std::string &detail, PanelVerdict verdict)
{
    verdict_ = verdict;
    DeleteObject(verdictBrush_);
    verdictBrush_ = CreateSolidBrush(VerdictColour(verdict));
    SetWindowTextW(word_, Widen(word).c_str());
    SetWindowTextW(detail_, Widen(detail).c_str());
    InvalidateRect(word_, nullptr, TRUE);
}

void ProductionWindow::FocusNextChip()
{
    SetFocus(buttons_.at(PanelButton::NextChip));
}
