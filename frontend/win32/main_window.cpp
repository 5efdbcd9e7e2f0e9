// The main window: its controls and menus, and what it draws for the window's logic.
#include "main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "control_ids.h"
#include "dialogs.h"
#include "dpi.h"
#include "help_window.h"
#include "production_window.h"
#include "settings_window.h"
#include "terminal_pane.h"
#include "wide_text.h"
#include "window_class.h"
#include "window_text.h"

namespace {

const wchar_t kClassName[] = L"zm32main";

constexpr int kWidth = MainWindowLogic::kWidth, kHeight = MainWindowLogic::kHeight;

// The progress bar draws its text inside, as the Qt window's does: over the whole bar drawn
// again, so that no digit of the last text stays.
LRESULT CALLBACK ProgressProc(HWND bar, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR font)
{
    const LRESULT result = DefSubclassProc(bar, msg, wp, lp);
    if (msg == WM_SETTEXT || msg == PBM_SETPOS)
        InvalidateRect(bar, nullptr, TRUE);
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(bar, ProgressProc, 1);
    if (msg == WM_PAINT) {
        RECT r;
        GetClientRect(bar, &r);
        HDC dc = GetDC(bar);
        const HGDIOBJ old = SelectObject(dc, *reinterpret_cast<HFONT *>(font));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(dc, WindowString(bar).c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(bar, dc);
    }
    return result;
}

}  // namespace

MainWindow::MainWindow(const std::vector<std::string> &args, const std::string &programPath)
    : logic_(*this, args, programPath)
{
    RegisterWindowClass<MainWindow>(kClassName);
    hwnd_ = CreateWindowExW(0, kClassName, Widen(MainWindowLogic::kCaption).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    dpi_ = WindowDpi(hwnd_);
    SetWindowPos(hwnd_, nullptr, 0, 0, ScaledPixels(kWidth, int(dpi_)), ScaledPixels(kHeight, int(dpi_)),
                 SWP_NOMOVE | SWP_NOZORDER);
    BuildControls();
    BuildMenus();
    Layout();
    help_ = std::make_unique<HelpWindow>(hwnd_);
    logic_.FormCreate();
}

// A window destroyed without being closed still gives its port back: the logic's session does.
MainWindow::~MainWindow()
{
    StopLineWait();
    production_.reset();
    help_.reset();
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    DeleteObject(terminalFont_);
    DeleteObject(uiFont_);
}

void MainWindow::MakeFonts()
{
    DeleteObject(terminalFont_);
    DeleteObject(uiFont_);
    terminalFont_ = CreateRoleFont(FontRole::Terminal, dpi_);
    uiFont_ = CreateRoleFont(FontRole::Controls, dpi_);
    for (HWND w : {richEditMain_, labelHelp_})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(terminalFont_), TRUE);
    for (HWND w : {labelStat_, bitBtnStop_, labelNote_, findBox_.edit, findBox_.matchCase})
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
}

void MainWindow::BuildControls()
{
    richEditMain_ = CreateTerminalPane(hwnd_, zmids::kRichEditMain, [this](char key) { logic_.OnKey(key); },
                                       [this](FindKey key) {
                                           if (key == FindKey::Open)
                                               logic_.OnCommand(CommandId::Find);
                                           else
                                               FindFromBox(key == FindKey::Next);
                                       });
    findBox_.onFind = [this](bool forward) { FindFromBox(forward); };
    findBox_.onClose = [this] { logic_.OnFindClosed(); };
    findBox_.Create(hwnd_, zmids::kEditFind, zmids::kCheckMatchCase);
    labelHelp_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, zmids::kLabelHelp);
    labelStat_ = CreateChild(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, zmids::kLabelStat);
    bitBtnStop_ = CreateChild(hwnd_, L"BUTTON", Widen(MainWindowLogic::kStopCaption).c_str(), BS_PUSHBUTTON, 0,
                              zmids::kBitBtnStop);
    INITCOMMONCONTROLSEX progress{sizeof progress, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&progress);
    progressBar_ = CreateChild(hwnd_, PROGRESS_CLASSW, L"", 0, 0, zmids::kProgressBar);
    SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
    SetWindowSubclass(progressBar_, ProgressProc, 1, reinterpret_cast<DWORD_PTR>(&uiFont_));
    labelNote_ = CreateChild(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, zmids::kLabelNote);
    MakeFonts();
}

void MainWindow::BuildMenus()
{
    menuBar_ = CreateMenu();
    for (const Menu &menu : MainMenus()) {
        const std::wstring caption = Widen(menu.caption);
        if (menu.items.empty()) {
            AppendMenuW(menuBar_, MF_STRING, zmids::CommandIdOf(menu.command), caption.c_str());
            continue;
        }
        HMENU popup = CreatePopupMenu();
        for (const MenuItem &item : menu.items) {
            if (item.separatorBefore)
                AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(popup, MF_STRING, zmids::CommandIdOf(item.id), Widen(item.caption).c_str());
        }
        AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
    }
    SetMenu(hwnd_, menuBar_);
}

void MainWindow::Layout()
{
    RECT client;
    GetClientRect(hwnd_, &client);
    const MainWindowLayout l = splitter_.LayOut(client.right, client.bottom, int(dpi_));
    Box terminal = l.terminal;
    if (findBox_.Shown()) {
        const FindStripLayout strip = TakeFindStrip(terminal, l.margin, int(dpi_));
        MoveBox(findBox_.edit, strip.text);
        MoveBox(findBox_.matchCase, strip.matchCase);
    }
    MoveBox(richEditMain_, terminal);
    MoveBox(labelHelp_, l.helpLabel);
    const Box panel{0, l.panelTop, int(client.right), int(client.bottom) - l.panelTop};
    const StatusRowLayout row = LayOutStatusRow(panel, row_, int(dpi_));
    for (const auto &[w, box] : {std::pair{labelStat_, row.status}, std::pair{labelNote_, row.note},
                                 std::pair{progressBar_, row.progress}, std::pair{bitBtnStop_, row.stop}}) {
        MoveBox(w, box);
        ::ShowWindow(w, box.width > 0 ? SW_SHOWNOACTIVATE : SW_HIDE);
    }
    // What the parts left where they were goes with the panel's background.
    const RECT area{0, panel.y, panel.Right(), panel.Bottom()};
    RedrawWindow(hwnd_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    if (HandleLoopMessage(msg, wp))
        return 0;
    switch (msg) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_SETFOCUS:
        SetFocus(richEditMain_);
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == zmids::kBitBtnStop && HIWORD(wp) == BN_CLICKED) {
            logic_.OnStop();
            return 0;
        }
        if (lp == 0 && id >= zmids::kFirstCommand && id < zmids::kFirstCommand + zmids::kCommandCount) {
            logic_.OnCommand(static_cast<CommandId>(id - zmids::kFirstCommand));
            return 0;
        }
        break;
    }
    case WM_TIMER:
        if (wp == kLineBackTimer) {
            KillTimer(hwnd_, kLineBackTimer);
            logic_.OnTimer();
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) == richEditMain_)
            return ReadOnlyPaneColors(wp);
        break;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT && reinterpret_cast<HWND>(wp) == hwnd_) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(hwnd_, &p);
            if (splitter_.Resizes(p.x, p.y)) {
                SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN:
        if (splitter_.Press(GET_X_LPARAM(lp), GET_Y_LPARAM(lp))) {
            SetCapture(hwnd_);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (splitter_.Move(GET_X_LPARAM(lp))) {
            Layout();
            return 0;
        }
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (splitter_.Release()) {
            if (msg == WM_LBUTTONUP)
                ReleaseCapture();
            return 0;
        }
        break;
    case WM_DPICHANGED:
        dpi_ = HIWORD(wp);
        MakeFonts();
        MoveToSuggestedRect(hwnd_, lp);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// The window is hidden, not destroyed, while the logic may still run below this call; the
// loop ends, and the window goes with this object.
void MainWindow::OnClose()
{
    if (closed_ || !logic_.CloseRequested())
        return;
    closed_ = true;
    ::ShowWindow(hwnd_, SW_HIDE);
    PostQuitMessage(0);
}

void MainWindow::SetCaption(const std::string &text)
{
    SetWindowTextW(hwnd_, Widen(text).c_str());
}

void MainWindow::ShowStatusRow(const StatusRow &row)
{
    const bool moved = !row.SameParts(row_);
    if (row.status != row_.status)
        SetWindowTextW(labelStat_, WidenForEdit(row.status).c_str());
    if (row.note != row_.note)
        SetWindowTextW(labelNote_, WidenForEdit(row.note).c_str());
    SendMessageW(progressBar_, PBM_SETPOS, WPARAM(row.percent), 0);
    if (row.progressText != row_.progressText)
        SetWindowTextW(progressBar_, Widen(row.progressText).c_str());
    row_ = row;
    if (moved)
        Layout();
}

void MainWindow::SetHelpLabel(const std::string &text)
{
    SetWindowTextW(labelHelp_, WidenForEdit(text).c_str());
}

void MainWindow::AppendToPane(const std::string &text, bool replace, int maxLines)
{
    AppendCapped(richEditMain_, WidenForEdit(text), replace, maxLines, findBox_.Shown());
}

void MainWindow::ClearPane()
{
    SetWindowTextW(richEditMain_, L"");
}

void MainWindow::FocusTerminal()
{
    SetFocus(richEditMain_);
}

void MainWindow::SetCommandState(CommandId id, bool enabled, bool checked, const std::string &caption)
{
    const UINT item = UINT(zmids::CommandIdOf(id));
    const std::wstring text = Widen(caption);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_STRING;
    info.fState = (enabled ? MFS_ENABLED : MFS_DISABLED) | (checked ? MFS_CHECKED : MFS_UNCHECKED);
    info.dwTypeData = const_cast<wchar_t *>(text.c_str());
    SetMenuItemInfoW(menuBar_, item, FALSE, &info);
    // The one command on the menu bar itself is drawn there.
    if (id == CommandId::Help)
        DrawMenuBar(hwnd_);
}

bool MainWindow::ShowBox(BoxKind kind, const std::string &title, const std::string &text)
{
    return RunMessageBox(IsWindowVisible(hwnd_) ? hwnd_ : nullptr, kind, title, text);
}

FileAnswer MainWindow::AskForFile(const FileRequest &request)
{
    return RunFileDialog(hwnd_, request);
}

bool MainWindow::AskSettings(SettingsDialog &dialog)
{
    return RunSettingsDialog(hwnd_, dialog);
}

void MainWindow::ShowHelpWindow()
{
    help_->logic.Open();
}

void MainWindow::CloseHelpWindow()
{
    help_->Hide();
    if (production_)
        ::ShowWindow(production_->Handle(), SW_HIDE);
}

void MainWindow::ShowProductionPanel()
{
    if (!production_)
        production_ = std::make_unique<ProductionWindow>(hwnd_, logic_);
    production_->logic.Open();
}

void MainWindow::FindFromBox(bool forward)
{
    logic_.OnFind(findBox_.Text(), findBox_.MatchCaseChecked(), forward);
}

void MainWindow::ShowFindBox(bool shown)
{
    findBox_.Show(shown);
    Layout();
}

// The EDIT control's text has "\r\n" breaks; the logic counts "\n" ones.
std::string MainWindow::PaneText()
{
    std::wstring text = WindowString(richEditMain_);
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    return Narrow(text);
}

void MainWindow::PaneSelection(size_t &start, size_t &end)
{
    DWORD from = 0, to = 0;
    SendMessageW(richEditMain_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    const std::wstring text = WindowString(richEditMain_);
    const auto breaksBefore = [&](DWORD at) {
        return size_t(std::count(text.begin(), text.begin() + std::min<size_t>(at, text.size()), L'\r'));
    };
    start = from - breaksBefore(from);
    end = to - breaksBefore(to);
}

void MainWindow::SelectInPane(size_t start, size_t end)
{
    const std::u16string text = Utf8ToUtf16(PaneText());
    SendMessageW(richEditMain_, EM_SETSEL, WPARAM(CrLfPosition(text, start)), LPARAM(CrLfPosition(text, end)));
    SendMessageW(richEditMain_, EM_SCROLLCARET, 0, 0);
}

void MainWindow::StartTimer(int ms)
{
    SetTimer(hwnd_, kLineBackTimer, UINT(std::max(ms, 1)), nullptr);
}

void MainWindow::CloseWindow()
{
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}
