#include "production_window.h"

#include "control_ids.h"
#include "dpi.h"
#include "wide_text.h"
#include "window_class.h"

namespace {

const wchar_t kClassName[] = L"zm32production";
// At 96 dpi: the label column, a row, the margin, the result word's height.
constexpr int kWidth = 460, kLabelWidth = 140, kRowHeight = 24, kMargin = 8, kBrowseWidth = 80;
constexpr int kWordHeight = 90;

int ButtonId(PanelButton b) { return zmids::kPanelFirstButton + int(b); }

}  // namespace

ProductionWindow::ProductionWindow(HWND owner, MainWindowLogic &main) : logic(main, *this)
{
    RegisterWindowClass<ProductionWindow>(kClassName);
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Widen(ProductionPanelLogic::kCaption).c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, kWidth, 500, owner, nullptr, GetModuleHandleW(nullptr), this);
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
    using Kind = SettingsField::Kind;
    int index = 0;
    for (const ProductionPanelLogic::Field &field : ProductionPanelLogic::Fields()) {
        CreateChild(hwnd_, L"STATIC", Widen(field.label).c_str(), WS_VISIBLE, 0, zmids::kPanelFirstLabel + index);
        HWND control = nullptr;
        if (field.kind == Kind::Edit) {
            control = CreateChild(hwnd_, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                  zmids::kPanelFirstField + index);
        } else {
            control = CreateChild(hwnd_, L"COMBOBOX", L"",
                                  WS_VISIBLE | WS_TABSTOP | WS_VSCROLL |
                                      (field.kind == Kind::List ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL),
                                  0, zmids::kPanelFirstField + index);
            for (const std::string &choice : field.choices)
                SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(choice).c_str()));
        }
        fields_[field.id] = control;
        if (field.browse) {
            const PanelButton b = field.id == PanelField::LogFile ? PanelButton::BrowseLog : PanelButton::BrowseImage;
            buttons_[b] = CreateChild(hwnd_, L"BUTTON", Widen(ProductionPanelLogic::kBrowseCaption).c_str(),
                                      WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, ButtonId(b));
        }
        ++index;
    }
    for (const auto &[b, caption] : {std::pair{PanelButton::Start, ProductionPanelLogic::kStartCaption},
                                     {PanelButton::NextChip, ProductionPanelLogic::kNextChipCaption},
                                     {PanelButton::Stop, ProductionPanelLogic::kStopCaption},
                                     {PanelButton::End, ProductionPanelLogic::kEndCaption}})
        buttons_[b] = CreateChild(hwnd_, L"BUTTON", Widen(caption).c_str(),
                                  WS_VISIBLE | WS_TABSTOP | (b == PanelButton::NextChip ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                  0, ButtonId(b));
    counters_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE, 0, zmids::kPanelCounters);
    detail_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE | SS_NOPREFIX, 0, zmids::kPanelResultDetail);
    uiFont_ = CreateRoleFont(FontRole::Controls, dpi_);
    wordFont_ = CreateRoleFont(FontRole::ResultWord, dpi_);
    word_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 0, zmids::kPanelResult);
    for (HWND w = GetWindow(hwnd_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(w == word_ ? wordFont_ : uiFont_), TRUE);
}

void ProductionWindow::Layout()
{
    const auto s = [this](int px) { return ScaledPixels(px, int(dpi_)); };
    const int width = s(kWidth), row = s(kRowHeight), margin = s(kMargin);
    int y = margin, index = 0;
    for (const ProductionPanelLogic::Field &field : ProductionPanelLogic::Fields()) {
        MoveWindow(GetDlgItem(hwnd_, zmids::kPanelFirstLabel + index), margin, y + s(3), s(kLabelWidth), row, TRUE);
        const int x = margin + s(kLabelWidth), browse = field.browse ? s(kBrowseWidth) + margin : 0;
        const bool list = field.kind != SettingsField::Kind::Edit;
        MoveWindow(fields_[field.id], x, y, width - x - margin - browse, list ? row * 8 : row - s(2), TRUE);
        if (field.browse)
            MoveWindow(GetDlgItem(hwnd_, ButtonId(field.id == PanelField::LogFile ? PanelButton::BrowseLog
                                                                                  : PanelButton::BrowseImage)),
                       width - margin - s(kBrowseWidth), y, s(kBrowseWidth), row - s(2), TRUE);
        y += row + s(2);
        ++index;
    }
    y += margin;
    const int buttonWidth = (width - 5 * margin) / 4;
    int x = margin;
    for (PanelButton b : {PanelButton::Start, PanelButton::NextChip, PanelButton::Stop, PanelButton::End}) {
        MoveWindow(buttons_[b], x, y, buttonWidth, s(28), TRUE);
        x += buttonWidth + margin;
    }
    y += s(28) + margin;
    MoveWindow(counters_, margin, y, width - 2 * margin, row, TRUE);
    y += row;
    MoveWindow(word_, margin, y, width - 2 * margin, s(kWordHeight), TRUE);
    y += s(kWordHeight) + margin;
    MoveWindow(detail_, margin, y, width - 2 * margin, row * 3, TRUE);
    y += row * 3 + margin;
    RECT r{0, 0, width, y};
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
        switch (static_cast<PanelButton>(pressed - zmids::kPanelFirstButton)) {
        case PanelButton::BrowseImage:
            logic.Browse(PanelField::ImageFile);
            break;
        case PanelButton::BrowseLog:
            logic.Browse(PanelField::LogFile);
            break;
        case PanelButton::Start:
            logic.Start();
            break;
        case PanelButton::NextChip:
            if (IsWindowEnabled(buttons_[PanelButton::NextChip]))
                logic.NextChip();
            break;
        case PanelButton::Stop:
            logic.Stop();
            break;
        case PanelButton::End:
            logic.End();
            break;
        }
        return 0;
    }
    case DM_GETDEFID:
        return MAKELRESULT(ButtonId(PanelButton::NextChip), DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == word_ && verdict_ != PanelVerdict::None) {
            SetTextColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
            SetBkColor(reinterpret_cast<HDC>(wp), verdict_ == PanelVerdict::Pass ? RGB(0x1b, 0x7f, 0x2a) : RGB(0xb0, 0, 0x20));
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
    HWND w = fields_.at(field);
    const int n = GetWindowTextLengthW(w);
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(w, text.data(), n + 1)));
    return Narrow(text);
}

void ProductionWindow::SetFieldText(PanelField field, const std::string &text)
{
    HWND w = fields_.at(field);
    const std::wstring wide = Widen(text);
    if (ProductionPanelLogic::FieldOf(field).kind == SettingsField::Kind::List)
        SendMessageW(w, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(wide.c_str()));
    else
        SetWindowTextW(w, wide.c_str());
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
    verdictBrush_ = CreateSolidBrush(verdict == PanelVerdict::Pass ? RGB(0x1b, 0x7f, 0x2a) : RGB(0xb0, 0, 0x20));
    SetWindowTextW(word_, Widen(word).c_str());
    SetWindowTextW(detail_, Widen(detail).c_str());
    InvalidateRect(word_, nullptr, TRUE);
}

void ProductionWindow::FocusNextChip()
{
    SetFocus(buttons_.at(PanelButton::NextChip));
}
