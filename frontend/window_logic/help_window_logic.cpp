#include "help_window_logic.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "format.h"
#include "paths.h"
#include "window_text.h"

namespace {

// How far past a hit the pane is scrolled first, so that the text after it is in view.
constexpr size_t kLookAhead = 200;

}  // namespace

std::string HelpWindowLogic::LoadText(const std::string &path)
{
    const std::string failed = WindowText(FormatGuarded("couldn't load %s", {path}));
    std::ifstream file(path, std::ios::binary);
    if (!FileExists(path) || !file)
        return failed;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return failed;
    return WindowText(bytes);
}

std::string HelpWindowLogic::HelpFilePath(const std::string &name) const
{
    return helpDir.empty() ? QualifiedInProgramDir(name) : helpDir + "/" + name;
}

void HelpWindowLogic::FormCreate()
{
    const char *const tabs[2] = {"TabSheet_help", "TabSheet_ini"};
    for (int page = 0; page < 2; ++page)
        view_.SetTabCaption(page, tabs[page]);
    view_.EnableSearchButton(false);
}

void HelpWindowLogic::Open()
{
    if (shownFlag) {
        view_.RaiseWindow();
        return;
    }
    view_.ShowWindow();
    FormShow();
}

void HelpWindowLogic::FormShow()
{
    view_.SetCurrentPage(0);
    searchFrom = 0;
    const char *const files[2] = {"zm32.txt", "zm32ini.txt"};
    const char *const captions[2] = {"zm32", "zm32.ini"};
    for (int page = 0; page < 2; ++page) {
        const std::string text = LoadText(HelpFilePath(files[page]));
        paneText_[page] = Utf8ToUtf16(text);
        view_.SetPaneText(page, text);
        view_.SetTabCaption(page, captions[page]);
    }
    shownFlag = true;
    view_.FocusSearchBox();
}

void HelpWindowLogic::FormClose()
{
    for (int page = 0; page < 2; ++page) {
        paneText_[page].clear();
        view_.SetPaneText(page, {});
    }
    shownFlag = false;
}

void HelpWindowLogic::PageControl1Change()
{
    searchFrom = 0;
}

void HelpWindowLogic::Edit1Change()
{
    view_.EnableSearchButton(!view_.SearchText().empty());
}

void HelpWindowLogic::Button_SearchClick()
{
    const int page = view_.CurrentPage() == 0 ? 0 : 1;
    const std::u16string &text = paneText_[page];
    const std::u16string needle = Utf8ToUtf16(view_.SearchText());
    const size_t p = searchFrom >= 0 ? FindIgnoringCase(text, needle, size_t(searchFrom)) : std::u16string::npos;
    if (p == std::u16string::npos) {
        searchFrom = 0;
    } else {
        // First the text up to a little past the hit comes into view, then the hit.
        const size_t ahead = std::min(p + kLookAhead, text.size());
        view_.SelectInPane(page, ahead, std::min(ahead + 1, text.size()));
        view_.SelectInPane(page, p, p + needle.size());
        searchFrom = int32_t(p + 1);
    }
    view_.FocusPane(page);
}

bool HelpWindowLogic::Edit1KeyDown(Key key)
{
    if (key != Key::Enter)
        return false;
    Button_SearchClick();
    return true;
}

bool HelpWindowLogic::FormKeyDown(Key key)
{
    // F3 searches again from anywhere in the window.
    if (key != Key::F3)
        return false;
    Button_SearchClick();
    return true;
}

bool HelpWindowLogic::KeyDown(Key key, bool inSearchBox)
{
    return FormKeyDown(key) || (inSearchBox && Edit1KeyDown(key));
}
