// The main window on the Win32 API: draws what the window's logic says and tells it what the
// user did. Its controls carry the ids of control_ids.h.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "main_window_logic.h"
#include "window_layout.h"

class HelpWindow;

class MainWindow : public MainWindowView {
public:
    // `args`: the command line without the program name; `programPath`: the running program.
    MainWindow(const std::vector<std::string> &args, const std::string &programPath);
    ~MainWindow() override;
    MainWindow(const MainWindow &) = delete;
    MainWindow &operator=(const MainWindow &) = delete;

    HWND Handle() const { return hwnd_; }
    HelpWindow &Help() { return *help_; }
    MainWindowLogic &Logic() { return logic_; }
    // Shows the window and runs its loop until it closes; the program's exit status.
    int Run(int show);
    // One round of that loop: the pending messages, then a sleep of at most `maxWaitMs` until
    // a message comes. False once the window has closed.
    bool RunOnce(DWORD maxWaitMs);
    // How often the loop has woken from its sleep, and done the idle work (in any loop).
    struct LoopCounts {
        long wakes = 0, idleWork = 0;
    };
    const LoopCounts &Counts() const { return counts_; }
    // Whether the window has closed (the loop then ends).
    bool Closed() const { return closed_; }
    // Its window procedure's part (window_class.h).
    bool Ready() const { return richEditMain_ != nullptr; }
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    // The view
    void SetCaption(const std::string &text) override;
    void ShowStatusRow(const StatusRow &row) override;
    void SetHelpLabel(const std::string &text) override;
    void AppendToPane(const std::string &text, bool replace, int maxLines) override;
    void ClearPane() override;
    void FocusTerminal() override;
    void SetCommandState(CommandId id, bool enabled, bool checked, const std::string &caption) override;
    bool ShowBox(BoxKind kind, const std::string &title, const std::string &text) override;
    FileAnswer AskForFile(const FileRequest &request) override;
    bool AskSettings(SettingsDialog &dialog) override;
    void ShowHelpWindow() override;
    void CloseHelpWindow() override;
    void ProcessEvents() override;
    void WaitForLineOrEvents(LineSignal line, int32_t ms) override;
    // Every line the library gives here is an event, which the loop waits on with its messages.
    bool WatchesLine() const override { return true; }
    void SetIdle(bool on, LineSignal line, int wakeMs) override;
    void WakeSoon() override;
    void StartTimer(int ms) override;
    void CloseWindow() override;

private:
    void BuildControls();
    void BuildMenus();
    void Layout();
    void MakeFonts();
    // One message from the queue, to the window it is for; false on WM_QUIT.
    bool Dispatch(MSG &msg);
    // Sleeps until a message comes, or `line` (null: none) is set, or at most `ms` (INFINITE:
    // no limit); true when the line ended it.
    bool SleepUntilMessage(DWORD ms, HANDLE line);
    // The idle work's messages (a wake, the line's, the idle timer), whichever loop brings
    // them; false for any other message.
    bool HandleLoopMessage(UINT msg, WPARAM wp);
    void IdleWork();
    // The line's event, waited on by the system's pool, posts a message once when set.
    void StartLineWait();
    void StopLineWait();
    void OnClose();

    static constexpr UINT_PTR kIdleTimer = 1;
    static constexpr UINT_PTR kLineBackTimer = 2;

    HWND hwnd_ = nullptr;
    HWND richEditMain_ = nullptr;
    HWND labelHelp_ = nullptr;
    HWND labelStat_ = nullptr;
    HWND bitBtnStop_ = nullptr;
    HWND progressBar_ = nullptr;
    HWND labelNote_ = nullptr;
    HMENU menuBar_ = nullptr;
    HFONT terminalFont_ = nullptr;
    HFONT uiFont_ = nullptr;
    UINT dpi_ = 96;
    Splitter splitter_;
    StatusRow row_;  // as last shown
    LoopCounts counts_;
    bool idleOn_ = false;
    bool inIdleWork_ = false;
    int idleTimerMs_ = 0;
    HANDLE idleLine_ = nullptr;
    HANDLE lineWait_ = nullptr;
    bool closed_ = false;
    bool quitSeen_ = false;
    int exitCode_ = 0;
    std::unique_ptr<HelpWindow> help_;
    MainWindowLogic logic_;
};
