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

namespace {

const wchar_t kClassName[] = L"zm32main";

// At 96 dpi: the window, the Stop button and the progress.
constexpr int kWidth = MainWindowLogic::kWidth, kHeight = MainWindowLogic::kHeight;
constexpr int kStopWidth = 75, kStopHeight = 26;
constexpr int kProgressWidth = MainWindowLogic::kProgressWidth, kProgressHeight = 18;

}  // namespace

MainWindow::MainWindow(const std::vector<std::string> &args, const std::string &programPath)
    : logic_(*this, args, programPath)
{
    RegisterWindowClass<MainWindow>(kClassName);
    hwnd_ = CreateWindowExW(0, kClassName, Widen(MainWindowLogic::kCaption).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    dpi_ = WindowDpi(hwnd_);
    SetWindowPos(hwnd_, nullptr, 0, 0, Scaled(kWidth), Scaled(kHeight), SWP_NOMOVE | SWP_NOZORDER);
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

int MainWindow::Scaled(int px) const
{
    return ScaledPixels(px, int(dpi_));
}

void MainWindow::MakeFonts()
{
    DeleteObject(terminalFont_);
    DeleteObject(uiFont_);
    terminalFont_ = CreateFaceFont(L"Courier New", 13, dpi_);  // 10 points at 96 dpi
    uiFont_ = CreateMessageFont(dpi_);
    SendMessageW(richEditMain_, WM_SETFONT, reinterpret_cast<WPARAM>(terminalFont_), TRUE);
    SendMessageW(labelHelp_, WM_SETFONT, reinterpret_cast<WPARAM>(terminalFont_), TRUE);
    SendMessageW(labelStat_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
    SendMessageW(bitBtnStop_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
    SendMessageW(progressText_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
    SendMessageW(labelNote_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
}

void MainWindow::BuildControls()
{
    richEditMain_ = CreateTerminalPane(hwnd_, zmids::kRichEditMain, [this](char key) { logic_.OnKey(key); });
    labelHelp_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, zmids::kLabelHelp);
    labelStat_ = CreateChild(hwnd_, L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, zmids::kLabelStat);
    bitBtnStop_ = CreateChild(hwnd_, L"BUTTON", Widen(MainWindowLogic::kStopCaption).c_str(), BS_PUSHBUTTON, 0,
                              zmids::kBitBtnStop);
    INITCOMMONCONTROLSEX progress{sizeof progress, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&progress);
    progressBar_ = CreateChild(hwnd_, PROGRESS_CLASSW, L"", 0, 0, zmids::kProgressBar);
    SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
    progressText_ = CreateChild(hwnd_, L"STATIC", L"", SS_RIGHT | SS_NOPREFIX, 0, zmids::kProgressText);
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

// The terminal and the help label fill the window above the status panel, the splitter
// between them; the status line fills the panel, less the Stop button at its bottom right
// and the progress before it while they show.
void MainWindow::Layout()
{
    RECT client;
    GetClientRect(hwnd_, &client);
    const MainWindowLayout l = LayOutMainWindow(client.right, client.bottom, helpWidth_, int(dpi_));
    const int margin = l.margin, panelTop = l.panelTop;
    MoveBox(richEditMain_, l.terminal);
    MoveBox(labelHelp_, l.helpLabel);

    RECT label{margin, panelTop + margin, client.right - margin, client.bottom - margin};
    if (stopShown_) {
        const int w = Scaled(kStopWidth), h = Scaled(kStopHeight);
        MoveWindow(bitBtnStop_, label.right - w, label.bottom - h, w, h, TRUE);
        label.right -= w + margin;
    }
    if (progressShown_) {
        const int w = Scaled(kProgressWidth), h = Scaled(kProgressHeight);
        const int bottom = int(label.bottom) - (Scaled(kStopHeight) - h) / 2;
        MoveWindow(progressBar_, label.right - w, bottom - h, w, h, TRUE);
        label.right -= w + margin;
        MoveWindow(progressText_, label.right - w, bottom - h, w, h, TRUE);
        label.right -= w + margin;
    }
    if (noteShown_) {
        const int w = Scaled(MainWindowLogic::kNoteWidth);
        MoveWindow(labelNote_, label.right - w, label.top, w, std::max(0, int(label.bottom - label.top)), TRUE);
        label.right -= w + margin;
    }
    MoveWindow(labelStat_, label.left, label.top, std::max(0, int(label.right - label.left)),
               std::max(0, int(label.bottom - label.top)), TRUE);
}

bool MainWindow::OverSplitter(int x, int y) const
{
    RECT client;
    GetClientRect(hwnd_, &client);
    return LayOutMainWindow(client.right, client.bottom, helpWidth_, int(dpi_)).OnSplitter(x, y);
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
            if (dragging_ || OverSplitter(p.x, p.y)) {
                SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN:
        if (OverSplitter(GET_X_LPARAM(lp), GET_Y_LPARAM(lp))) {
            dragging_ = true;
            SetCapture(hwnd_);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (dragging_) {
            RECT client;
            GetClientRect(hwnd_, &client);
            helpWidth_ = HelpWidthForSplitterAt(GET_X_LPARAM(lp), client.right, int(dpi_));
            Layout();
            return 0;
        }
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragging_) {
            dragging_ = false;
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

void MainWindow::SetStatus(const std::string &text)
{
    SetWindowTextW(labelStat_, WidenForEdit(text).c_str());
}

void MainWindow::SetHelpLabel(const std::string &text)
{
    SetWindowTextW(labelHelp_, WidenForEdit(text).c_str());
}

void MainWindow::AppendToPane(const std::string &text, bool replace, int maxLines)
{
    AppendCapped(richEditMain_, WidenForEdit(text), replace, maxLines);
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

void MainWindow::ShowStop(bool shown)
{
    stopShown_ = shown;
    ::ShowWindow(bitBtnStop_, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
    Layout();
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

void MainWindow::ShowProgress(bool shown, int percent, const std::string &text)
{
    SendMessageW(progressBar_, PBM_SETPOS, WPARAM(percent), 0);
    SetWindowTextW(progressText_, Widen(text).c_str());
    if (progressShown_ == shown)
        return;
    progressShown_ = shown;
    for (HWND w : {progressBar_, progressText_})
        ::ShowWindow(w, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
    Layout();
}

void MainWindow::SetNote(const std::string &text)
{
    SetWindowTextW(labelNote_, Widen(text).c_str());
    if (noteShown_ == !text.empty())
        return;
    noteShown_ = !text.empty();
    ::ShowWindow(labelNote_, text.empty() ? SW_HIDE : SW_SHOWNOACTIVATE);
    Layout();
}

void MainWindow::StartTimer(int ms)
{
    SetTimer(hwnd_, kLineBackTimer, UINT(std::max(ms, 1)), nullptr);
}

void MainWindow::CloseWindow()
{
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}
