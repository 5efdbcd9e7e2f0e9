// What the main window's logic asks of a window: the small set of calls a host draws and
// answers. Every text is UTF-8, already made by the window's one rule (window_text.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "menu_model.h"
#include "settings_dialog.h"

// The line a loop wakes for, as the serial library gives it (zmhwLINE): a descriptor on
// POSIX, an event's handle on Windows; none where the library gives nothing.
class LineSignal {
public:
    LineSignal() = default;
    explicit LineSignal(int fromLibrary) : value_(fromLibrary) {}
    bool Valid() const { return value_ >= 0; }
    int Descriptor() const { return value_; }
    void *Event() const { return Valid() ? reinterpret_cast<void *>(static_cast<intptr_t>(value_)) : nullptr; }
    bool operator==(const LineSignal &other) const { return value_ == other.value_; }

private:
    int value_ = -1;
};

enum class BoxKind { Error, Information, Confirm };
// A Confirm box's buttons, where the platform's box lets them be named (Windows' own box
// names them so itself).
constexpr const char *kYesCaption = "&Yes", *kNoCaption = "&No";

// A file dialog, described: the host makes it, runs it modally and forgets it.
struct FileRequest {
    enum class Mode { Open, Save };
    struct Filter {
        std::string description;  // "hex files"
        std::string pattern;      // "*.hex"
    };
    const char *name;  // OpenDialog_Hex, SaveDialog, SaveDialogLog
    std::string caption;
    Mode mode;
    std::vector<Filter> filters;
    std::string directory;  // empty: the dialog's own choice
    bool confirmOverwrite;
    std::string preset;  // the file chosen when it opens
};

// What a file dialog gave: the file in the platform's encoding of names; or, when the name
// chosen cannot be given in it, that name (UTF-8) in `unusable`. Both empty: cancelled.
struct FileAnswer {
    std::string path;
    std::string unusable;
};

// The status row below the terminal, whole: the status line (Label_Stat), the note (the chip
// in use, the sums of the last transfer; empty: none), the transfer's progress bar with its
// text inside, and the Stop button (BitBtn_Stop). LayOutStatusRow (window_layout.h) places it.
struct StatusRow {
    std::string status;
    std::string note;
    bool progress = false;
    int percent = 0;  // 0-100
    std::string progressText;
    bool stop = false;
    // Whether `other` shows the same parts: when not, the row is laid out again.
    bool SameParts(const StatusRow &other) const
    {
        return note.empty() == other.note.empty() && progress == other.progress && stop == other.stop;
    }
};

class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    // Tests answer the file dialogs instead of the user (empty: cancelled); unset, they run.
    using FileDialogAnswer = std::function<std::string(const FileRequest &request)>;
    void SetFileDialogAnswer(FileDialogAnswer answer) { fileDialogAnswer = std::move(answer); }
    FileDialogAnswer fileDialogAnswer;

    virtual void SetCaption(const std::string &text) = 0;
    // The status row as it is now; a host draws again what changed since the last one.
    virtual void ShowStatusRow(const StatusRow &row) = 0;
    // The help panel beside the terminal (Label_Help).
    virtual void SetHelpLabel(const std::string &text) = 0;
    // Appends to the terminal (replacing its text when `replace`), then deletes lines from
    // the top until at most `maxLines` remain as the pane shows them (a wrapped line counts
    // as several); the caret ends at the end, scrolled into view.
    virtual void AppendToPane(const std::string &text, bool replace, int maxLines) = 0;
    virtual void ClearPane() = 0;
    virtual void FocusTerminal() = 0;
    // A menu item's state; `caption` is its text.
    virtual void SetCommandState(CommandId id, bool enabled, bool checked, const std::string &caption) = 0;
    // A modal box; true when a Confirm box is answered Yes.
    virtual bool ShowBox(BoxKind kind, const std::string &title, const std::string &text) = 0;
    // A modal file dialog.
    virtual FileAnswer AskForFile(const FileRequest &request) = 0;
    // The settings dialog, modal, its fields filled from `dialog`; on OK they are written back
    // and the result is true.
    virtual bool AskSettings(SettingsDialog &dialog) = 0;
    // The help window: shown, or brought to the front when it already is.
    virtual void ShowHelpWindow() = 0;
    // The help window closes with the main one.
    virtual void CloseHelpWindow() = 0;
    // The find box over the terminal: shown with the focus in it, or gone. While it has the
    // focus, keys go into it and none to the programmer.
    virtual void ShowFindBox(bool shown) = 0;
    // The terminal's text as shown, lines ended by "\n", and its selection [start, end) in
    // UTF-16 units of that text; SelectInPane selects and scrolls the selection into view.
    virtual std::string PaneText() = 0;
    virtual void PaneSelection(size_t &start, size_t &end) = 0;
    virtual void SelectInPane(size_t start, size_t end) = 0;
    // The production panel (production_panel_logic.h): shown, or brought to the front.
    virtual void ShowProductionPanel() = 0;

    // The loop. Handles the window's pending events and returns at once.
    virtual void ProcessEvents() = 0;
    // Sleeps at most `ms` until `line` has a byte or the window has an event, and handles the
    // events there are.
    virtual void WaitForLineOrEvents(LineSignal line, int32_t ms) = 0;
    // Whether the loop can wake for the line itself (a descriptor a notifier watches, an event
    // it waits on with its messages); where it cannot, the logic looks at the line itself.
    virtual bool WatchesLine() const = 0;
    // Idle work: while `on`, the host calls MainWindowLogic::OnIdle whenever its loop is
    // about to sleep, and wakes for `line` and, when `wakeMs` > 0, that often.
    virtual void SetIdle(bool on, LineSignal line, int wakeMs) = 0;
    // More idle work waits: the next idle moment should come at once.
    virtual void WakeSoon() = 0;
    // Calls MainWindowLogic::OnTimer once, after `ms`.
    virtual void StartTimer(int ms) = 0;
    // Closes the window, which ends the program (asking MainWindowLogic::CloseRequested).
    virtual void CloseWindow() = 0;
};
