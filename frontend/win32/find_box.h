// The find box over the terminal: an edit for the text and a "match case" check box. Keys in
// the edit stay there: none reaches the programmer while it has the focus.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct FindBox {
    HWND edit = nullptr;
    HWND matchCase = nullptr;
    // Enter or F3 (forward), Shift+F3 (back); Escape closes.
    std::function<void(bool forward)> onFind;
    std::function<void()> onClose;

    void Create(HWND parent, int editId, int matchCaseId);
    void Show(bool shown);
    bool Shown() const { return IsWindowVisible(edit) != FALSE; }
    std::string Text() const;
    bool MatchCaseChecked() const;
};
