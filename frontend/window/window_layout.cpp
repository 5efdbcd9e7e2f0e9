#include "window_layout.h"

#include <algorithm>

#include "help_window_logic.h"
#include "main_window_logic.h"

namespace {

// At 96 dpi.
constexpr int kMainMargin = 4, kSplitterWidth = 5, kMinPaneWidth = 60;
constexpr int kSearchButtonLeft = 24, kSearchButtonTop = 5, kSearchButtonHeight = 23;
constexpr int kSearchBoxLeft = 112, kSearchBoxRightMargin = 3, kSearchBoxHeight = 21;

// a * b / c, rounded half away from zero; c > 0.
int MulDivRounded(int a, int b, int c)
{
    const long long n = static_cast<long long>(a) * b;
    return static_cast<int>(n >= 0 ? (n + c / 2) / c : -((-n + c / 2) / c));
}

}  // namespace

int ScaledPixels(int px, int dpi)
{
    return MulDivRounded(px, dpi, 96);
}

bool MainWindowLayout::OnSplitter(int x, int y) const
{
    return x >= terminal.Right() && x < helpLabel.x && y >= terminal.y && y < terminal.Bottom();
}

MainWindowLayout LayOutMainWindow(int clientWidth, int clientHeight, int helpWidth, int dpi)
{
    MainWindowLayout l;
    l.margin = ScaledPixels(kMainMargin, dpi);
    l.panelTop = std::max(0, clientHeight - ScaledPixels(MainWindowLogic::kStatusPanelHeight, dpi));
    const int width = std::max(0, clientWidth - 2 * l.margin);
    const int splitter = ScaledPixels(kSplitterWidth, dpi);
    // The terminal keeps a little width however far the splitter goes.
    const int help = std::clamp(ScaledPixels(helpWidth, dpi), 0,
                                std::max(0, width - splitter - ScaledPixels(kMinPaneWidth, dpi)));
    const int paneWidth = std::max(0, width - help - splitter);
    const int height = std::max(0, l.panelTop - l.margin);
    l.terminal = {l.margin, l.margin, paneWidth, height};
    l.helpLabel = {l.margin + paneWidth + splitter, l.margin, help, height};
    return l;
}

int HelpWidthForSplitterAt(int x, int clientWidth, int dpi)
{
    const int right = clientWidth - ScaledPixels(kMainMargin, dpi);
    return std::max(0, MulDivRounded(right - x - ScaledPixels(kSplitterWidth, dpi) / 2, 96, dpi));
}

HelpWindowLayout LayOutHelpWindow(int clientWidth, int clientHeight, int dpi)
{
    auto scaled = [dpi](int px) { return ScaledPixels(px, dpi); };
    HelpWindowLayout l;
    const int tabsBottom = std::max(0, clientHeight - scaled(HelpWindowLogic::kSearchPanelHeight));
    l.tabs = {0, 0, clientWidth, tabsBottom};
    const int buttonTop = tabsBottom + scaled(kSearchButtonTop), buttonHeight = scaled(kSearchButtonHeight);
    l.searchButton = {scaled(kSearchButtonLeft), buttonTop, scaled(HelpWindowLogic::kSearchButtonWidth), buttonHeight};
    const int boxLeft = scaled(kSearchBoxLeft), boxHeight = scaled(kSearchBoxHeight);
    l.searchBox = {boxLeft, buttonTop + (buttonHeight - boxHeight) / 2,
                   std::max(0, clientWidth - boxLeft - scaled(kSearchBoxRightMargin)), boxHeight};
    return l;
}
