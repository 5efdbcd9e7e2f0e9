// What the help window does, whatever draws it: the program's help file and the settings
// file's description on two tabs, read anew each time the window shows, and a forward search
// in the tab being shown.
#pragma once

#include <cstdint>
#include <string>

#include "help_window_view.h"

class HelpWindowLogic {
public:
    explicit HelpWindowLogic(HelpWindowView &view) : view_(view) {}

    // The keys the window acts on, whatever the platform calls them.
    enum class Key { Enter, F3, Other };

    // The window's caption and its Search button's, and its size at 96 dpi: the client area,
    // the search panel below the tabs and the button in it.
    static constexpr const char *kCaption = "helpf";
    static constexpr const char *kSearchCaption = "&Search";
    static constexpr int kWidth = 514, kHeight = 410;
    static constexpr int kSearchPanelHeight = 33;
    static constexpr int kSearchButtonWidth = 75;

    bool shownFlag = false;
    int32_t searchFrom = 0;
    // Where the two help files are read from; empty means the program's own directory.
    std::string helpDir;

    // The window has been built, hidden: the tabs' first captions, Search disabled.
    void FormCreate();
    // The main window's "help": shows the window with both files read anew, or gives it the
    // focus when it shows.
    void Open();
    // The window's events.
    void FormShow();
    void FormClose();
    void PageControl1Change();
    void Edit1Change();
    void Button_SearchClick();
    // Both return true when they consumed the key.
    bool Edit1KeyDown(Key key);
    bool FormKeyDown(Key key);
    // A key pressed anywhere in the window: the window sees it first, then the search box
    // (`inSearchBox`: the key is for it). True when it was consumed.
    bool KeyDown(Key key, bool inSearchBox);

    // "couldn't load <path>" unless the file's text replaces it; UTF-8 where the file is,
    // else byte for byte, line breaks as "\n".
    static std::string LoadText(const std::string &path);
    // What a pane shows, as UTF-16 with "\n" breaks: what its positions count.
    const std::u16string &PaneText(int page) const { return paneText_[page]; }

private:
    std::string HelpFilePath(const std::string &name) const;

    HelpWindowView &view_;
    // What each pane shows, for the search.
    std::u16string paneText_[2];
};
