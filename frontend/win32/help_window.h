// The help window (helpf) on the Win32 API: two read-only panes on two tabs and a search
// box, over the help window's logic. Closing it hides it.
#pragma once

#include <windows.h>

#include <string>

#include "help_window_logic.h"

class HelpWindow : public HelpWindowView {
public:
    // Created hidden, owned by the main window.
    explicit HelpWindow(HWND owner);
    ~HelpWindow() override;
    HelpWindow(const HelpWindow &) = delete;
    HelpWindow &operator=(const HelpWindow &) = delete;

    HWND Handle() const { return hwnd_; }
    HelpWindowLogic logic{*this};

    // The window's own keys (F3 anywhere, Enter in the search box) and its dialog keys (Tab,
    // Alt+S): true when `msg` was handled here.
    bool PreTranslate(MSG &msg);
    void Hide();

    // Its window procedure's part (window_class.h).
    bool Ready() const { return pageControl1_ != nullptr; }
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    // The view
    void SetPaneText(int page, const std::string &text) override;
    void SetTabCaption(int page, const std::string &caption) override;
    void SetCurrentPage(int page) override;
    int CurrentPage() const override;
    void SelectInPane(int page, size_t from, size_t to) override;
    void FocusPane(int page) override;
    void FocusSearchBox() override;
    std::string SearchText() const override;
    void EnableSearchButton(bool on) override;
    void ShowWindow() override;
    void RaiseWindow() override;

private:
    void BuildControls();
    void MakeFonts();
    void Layout();
    void ShowPage(int page);

    HWND hwnd_ = nullptr;
    HWND pageControl1_ = nullptr;
    HWND panes_[2] = {};
    HWND buttonSearch_ = nullptr;
    HWND edit1_ = nullptr;
    HFONT paneFont_ = nullptr;
    HFONT uiFont_ = nullptr;
    UINT dpi_ = 96;
};
