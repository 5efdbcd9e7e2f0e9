// What the main window does, whatever draws it: the start and the close, the menus and their
// state, the caption, status and box texts, the terminal's drain and keys, the waits that keep
// the window working during a transfer, and the line's loss and return. It is the session's
// host; a window is a view (MainWindowView) that draws what it is told and reports what the
// user did through the On... calls.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "format.h"
#include "image/memory_image.h"
#include "main_window_view.h"
#include "session.h"
#include "text_log.h"

class ProductionPanelLogic;

class MainWindowLogic : private SessionHost {
public:
    // `args`: the command line without the program name, empty ones too; `programPath`: the
    // running program.
    MainWindowLogic(MainWindowView &view, std::vector<std::string> args, std::string programPath);
    ~MainWindowLogic() override;
    MainWindowLogic(const MainWindowLogic &) = delete;
    MainWindowLogic &operator=(const MainWindowLogic &) = delete;

    // Lines the terminal keeps; how long the status line says that the line is back.
    static constexpr int kTerminalLines = 200;
    static constexpr int kLineBackShownMs = 4000;
    // The front-end's own version label, shown in the caption beside the library's.
    static constexpr const char *kVersionLabel = "uhj";
    // What the window shows before the session has started, and its size at 96 dpi: the
    // window, the status panel below the terminal, and the help label beside it.
    static constexpr const char *kCaption = "zm32";
    static constexpr const char *kStopCaption = "Stop";
    static constexpr int kWidth = 680, kHeight = 440;
    static constexpr int kStatusPanelHeight = 40;
    static constexpr int kHelpLabelWidth = 133;

    // The window has been built: the session starts at its first idle moment.
    void FormCreate();
    // What the user did, and what the loop reports. OnIdle is false when the work was held
    // off (inside itself, or during a pumping wait, which calls WakeSoon at its end).
    bool OnIdle();
    void OnCommand(CommandId id);
    // A typed key's byte (common/key_bytes.h makes it).
    void OnKey(char byte);
    void OnStop();
    void OnTimer();
    // The find box: Enter or F3 asks for the next match, Shift+F3 for the one before; Escape
    // closes it and gives the keys back to the line.
    void OnFind(const std::string &needle, bool matchCase, bool forward);
    void OnFindClosed();
    // The window is asked to close: true when it may close now (the session is then closed).
    // During a transfer the transfer is stopped instead, and the window closes at its end.
    bool CloseRequested();

    Session &GetSession() { return session_; }
    const std::string &Status() const { return row_.status; }
    // The chip in use, and the sums of the last transfer that ended well.
    std::string Note() const;
    // Where the settings say the help files are: beside the program.
    const std::string &ProgramPath() const { return programPath_; }

    // The three file dialogs.
    static FileRequest OpenHexRequest();
    static FileRequest SaveRequest(const std::string &preset = {});
    static FileRequest SaveLogRequest(const std::string &preset);
    static FileRequest OpenVerifyRequest();
    static FileRequest SavePaneRequest();
    static FileRequest LogPaneRequest();

    // What the progress bar says: done/total and, once it can be told, the time left.
    static std::string ProgressText(int64_t done, int64_t total, std::chrono::milliseconds elapsed);

    // The message boxes, their texts built with FormatGuarded and shown by the window's rule.
    bool Box(BoxKind kind, const std::string &format, const FormatArgs &args = {});

    // For the production panel: it registers itself; its file dialogs; the programmer's
    // answers in the terminal; the transfers, settings, keys and the terminal's drain held
    // while its run is open (the run reads the line itself); the note after its chip changed.
    void SetProductionPanel(ProductionPanelLogic *panel) { panel_ = panel; }
    std::string ChooseFile(const FileRequest &request) { return AskForFile(request); }
    void ShowInPane(const std::string &text) { AppendToPane(text); }
    void HoldCommands(bool held);
    void ChipChanged() { ShowNote(); }

private:
    friend class WindowLogicProbe;  // the tests' look inside

    // The menu commands.
    void DownloadHexClick();
    void uploadbin1Click();
    void uploadhexClick();
    void verify1Click();
    void blank1Click();
    void production1Click();
    void estafewmillisecondsClick();
    void logClick();
    void clear1Click();
    void settings1Click();
    void exit1Click();
    void helpClick();
    void savePaneClick();
    void logPaneClick();
    // timestamps, hex view: how the terminal shows what comes after.
    void ToggleShowing(CommandId id);
    void UpdatePaneMenu();

    void SessionStart();
    void SetCaptionText();
    void FormClose();
    void SetReceiveDisplay(bool on);
    void DrainReceived();
    // Tells the view what its idle loop waits for: the line's descriptor changes with every
    // reopening, and a lost line is looked for again about once a second.
    void SyncIdle();
    void UpdateLogMenu();
    void SetCommandState(CommandId id, bool enabled, bool checked, const std::string &caption);
    void EnableTransferCommands(bool on);
    void AppendToPane(const std::string &bytes);
    // What a transfer that ended well moved, summed for the note; none for an empty image.
    void ShowSums(const MemoryImage &image);
    void ShowNote();
    // Runs a file dialog in the folder of the last file chosen with it, and keeps that folder.
    std::string AskForFile(FileRequest request);

    // The session's host
    void ShowStatus(const std::string &text) override;
    void ShowInfo(const std::string &text) override;
    void ShowError(const std::string &text) override;
    void ShowEcho(const std::string &text) override;
    void ProcessMessages() override;
    void WaitPumping(int32_t ms) override;
    void WaitForLine(int line, int32_t ms) override;
    void LetDataCome(int32_t ms) override;
    void StoppableChanged(bool stoppable) override;
    void TransferStarted() override;
    void TransferEnded() override;
    void ShowProgress(int64_t done, int64_t total) override;
    void ShowRangeProgress(int64_t done, int64_t total) override { ShowProgress(done, total); }
    std::string ChooseOtherFile(const std::string &failedPath) override;
    void OnLineLost(const std::string &text) override;
    void OnLineBack(const std::string &text) override;
    void ShowOpenCause(const std::string &text) override;

    struct CommandState {
        bool enabled = true;
        bool checked = false;
        std::string caption;
    };

    MainWindowView &view_;
    std::vector<std::string> args_;
    std::string programPath_;
    Session session_{*this};
    std::map<CommandId, CommandState> commands_;
    // The folder of the last file chosen, by dialog.
    std::map<std::string, std::string> lastFolders_;
    StatusRow row_;
    std::string sums_;
    // The status text that the line-back timer clears, unless something else was said since.
    std::string lineBackSaid_;
    // The status text of the last find, which the next one replaces.
    std::string findSaid_;
    // "log pane to file…": what the pane shows, kept as text.
    TextLog paneLog_;
    // When a wait for the line last handled the window's events.
    std::chrono::steady_clock::time_point eventsHandled_;
    // When the running transfer began, for the time left.
    std::chrono::steady_clock::time_point transferBegan_;
    bool lineWokeLast_ = true;  // whether the line, not an event, ended the last wait
    bool started_ = false;
    bool receiveDisplay_ = false;
    bool idleRunning_ = false;
    bool waitPumping_ = false;
    bool idleHeld_ = false;  // idle work asked for during a pumping wait
    bool closeAfterTransfer_ = false;
    bool formClosed_ = false;
    bool commandsHeld_ = false;
    ProductionPanelLogic *panel_ = nullptr;
};
