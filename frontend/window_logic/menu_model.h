// The main window's menus: their items, names and captions, and which items a running
// transfer disables. Both windows build their menus from this one table.
#pragma once

#include <string>
#include <vector>

enum class CommandId {
    DownloadHex,
    UploadBin,
    UploadHex,
    Verify,
    BlankCheck,
    Production,
    Exit,
    TestDelay,
    Log,
    Clear,
    Settings,
    Help,
    // The terminal's find box, its text saved and logged, and how it shows bytes.
    Find,
    SavePane,
    LogPane,
    Timestamps,
    HexView,
};

struct MenuItem {
    CommandId id;
    const char *name;     // the item's object name: DownloadHex, uploadbin1, ...
    const char *caption;  // as first shown; "log" changes (MainWindowLogic::UpdateLogMenu)
    bool separatorBefore;
    bool checkable;
};

struct Menu {
    const char *caption;
    // Empty: the menu bar's item is itself the command `command`.
    std::vector<MenuItem> items;
    CommandId command;
};

// The menu bar, left to right.
const std::vector<Menu> &MainMenus();
// The item of a command.
const MenuItem &MenuItemOf(CommandId id);
// Whether the command can be chosen while a transfer runs: the transfers themselves and
// everything that opens a modal dialog or busy-waits (log, clear, the test delay) cannot. Find
// can: its box is not modal.
bool EnabledDuringTransfer(CommandId id);
