// What the help window's logic asks of a window: two panes on two tabs, a search box and
// its button. Texts are UTF-8; positions count UTF-16 units of the text last set, with "\n"
// as its line break.
#pragma once

#include <cstddef>
#include <string>

class HelpWindowView {
public:
    virtual ~HelpWindowView() = default;

    virtual void SetPaneText(int page, const std::string &text) = 0;
    virtual void SetTabCaption(int page, const std::string &caption) = 0;
    virtual void SetCurrentPage(int page) = 0;
    virtual int CurrentPage() const = 0;
    // Selects [from, to) in the pane and scrolls the caret into view.
    virtual void SelectInPane(int page, size_t from, size_t to) = 0;
    virtual void FocusPane(int page) = 0;
    virtual void FocusSearchBox() = 0;
    virtual std::string SearchText() const = 0;
    virtual void EnableSearchButton(bool on) = 0;
    // Shows the window modeless, or brings it to the front.
    virtual void ShowWindow() = 0;
    virtual void RaiseWindow() = 0;
};
