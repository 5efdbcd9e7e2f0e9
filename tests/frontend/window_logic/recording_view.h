// A window that records what the window's logic tells it, answers its dialogs and boxes from
// the test, and runs `onEvents` wherever a real window would handle its events.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "linewait.h"
#include "main_window_logic.h"

namespace zmtest {

class RecordingView : public MainWindowView {
public:
    struct Command {
        bool enabled = true;
        bool checked = false;
        std::string caption;
    };
    struct Box {
        BoxKind kind;
        std::string title;
        std::string text;
    };

    std::string caption;
    std::string status;
    std::string helpLabel;
    std::string pane;
    std::vector<std::pair<bool, std::string>> appends;  // (replace, text) of each append
    std::map<CommandId, Command> commands;
    bool stopShown = false;
    std::vector<Box> boxes;
    bool boxAnswer = true;
    std::vector<std::string> files;  // answers to the file dialogs, in order ("" cancels)
    std::vector<std::string> asked;  // the dialogs' names, in order
    FileRequest lastRequest{};
    int helpShown = 0;
    int productionShown = 0;
    int helpClosed = 0;
    bool progressShown = false, progressSeen = false;
    int progressPercent = 0;
    std::string progressText;
    std::string note;
    SettingsDialog settingsAsked;
    std::function<void(SettingsDialog &)> answerSettings;  // unset: Cancel
    bool idleOn = false;
    int idleLine = -1;
    int idleWakeMs = 0;
    int timerMs = 0;
    int closes = 0;
    std::function<void()> onEvents;
    bool findShown = false;
    std::pair<size_t, size_t> selection;

    void SetCaption(const std::string &text) override { caption = text; }
    void ShowStatusRow(const StatusRow &row) override
    {
        status = row.status, note = row.note, stopShown = row.stop;
        progressShown = row.progress, progressPercent = row.percent, progressText = row.progressText;
        progressSeen = progressSeen || row.progress;
    }
    void SetHelpLabel(const std::string &text) override { helpLabel = text; }
    void AppendToPane(const std::string &text, bool replace, int) override
    {
        appends.emplace_back(replace, text);
        pane = replace ? text : pane + text;
    }
    void ClearPane() override { pane.clear(); }
    void FocusTerminal() override {}
    void SetCommandState(CommandId id, bool enabled, bool checked, const std::string &text) override
    {
        commands[id] = {enabled, checked, text};
    }
    bool ShowBox(BoxKind kind, const std::string &title, const std::string &text) override
    {
        boxes.push_back({kind, title, text});
        return boxAnswer;
    }
    FileAnswer AskForFile(const FileRequest &request) override
    {
        asked.push_back(request.name);
        lastRequest = request;
        if (files.empty())
            return {};
        const std::string file = files.front();
        files.erase(files.begin());
        // A name the platform cannot give: marked by a leading "?".
        if (file.rfind("?", 0) == 0)
            return {{}, file.substr(1)};
        return {file, {}};
    }
    bool AskSettings(SettingsDialog &dialog) override
    {
        settingsAsked = dialog;
        if (!answerSettings)
            return false;
        answerSettings(dialog);
        return true;
    }
    void ShowHelpWindow() override { ++helpShown; }
    void CloseHelpWindow() override { ++helpClosed; }
    void ShowProductionPanel() override { ++productionShown; }
    void ProcessEvents() override
    {
        if (onEvents)
            onEvents();
    }
    void WaitForLineOrEvents(LineSignal line, int32_t ms) override
    {
        linewait::Wait(line.Descriptor(), ms);
        ProcessEvents();
    }
    bool WatchesLine() const override { return linewait::Watchable(); }
    void SetIdle(bool on, LineSignal line, int wakeMs) override
    {
        idleOn = on, idleLine = line.Descriptor(), idleWakeMs = wakeMs;
    }
    void WakeSoon() override {}
    void StartTimer(int ms) override { timerMs = ms; }
    void CloseWindow() override { ++closes; }
    void ShowFindBox(bool shown) override { findShown = shown; }
    std::string PaneText() override { return pane; }
    void PaneSelection(size_t &start, size_t &end) override { start = selection.first, end = selection.second; }
    void SelectInPane(size_t start, size_t end) override { selection = {start, end}; }

    // Runs the loop as a window would, until `done` or the time is up: idle work when on.
    bool RunUntil(MainWindowLogic &logic, const std::function<bool()> &done, int ms = 5000)
    {
        for (int waited = 0; !done() && waited < ms; waited += 5) {
            if (idleOn)
                logic.OnIdle();
            if (!done())
                linewait::Wait(idleLine, 5);
        }
        return done();
    }
};

}  // namespace zmtest
