#include "window_layout.h"

#include <algorithm>

#include "help_window_logic.h"
#include "main_window_logic.h"

namespace {

// At 96 dpi.
constexpr int kMainMargin = 4, kSplitterWidth = 5, kMinPaneWidth = 60;
constexpr int kFindStripHeight = 22, kMatchCaseWidth = 100;
constexpr int kStopWidth = 75, kStopHeight = 26, kProgressHeight = 20;
constexpr int kProgressWidth = 160, kProgressMinWidth = 100, kNoteWidth = 300, kNoteMinWidth = 120;
// Two lines of the longest status of a transfer ("Uploading to ... for upload to commence").
constexpr int kStatusMinWidth = 260;
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

FindStripLayout TakeFindStrip(Box &terminal, int margin, int dpi)
{
    const int height = ScaledPixels(kFindStripHeight, dpi);
    const int check = std::min(terminal.width, ScaledPixels(kMatchCaseWidth, dpi));
    FindStripLayout l;
    l.text = {terminal.x, terminal.y, terminal.width - check, height};
    l.matchCase = {l.text.Right(), terminal.y, check, height};
    terminal.y += height + margin;
    terminal.height = std::max(0, terminal.height - height - margin);
    return l;
}

int HelpWidthForSplitterAt(int x, int clientWidth, int dpi)
{
    const int right = clientWidth - ScaledPixels(kMainMargin, dpi);
    return std::max(0, MulDivRounded(right - x - ScaledPixels(kSplitterWidth, dpi) / 2, 96, dpi));
}

Splitter::Splitter() : helpWidth_(MainWindowLogic::kHelpLabelWidth) {}

MainWindowLayout Splitter::LayOut(int clientWidth, int clientHeight, int dpi)
{
    width_ = clientWidth, height_ = clientHeight, dpi_ = dpi;
    return LayOutMainWindow(clientWidth, clientHeight, helpWidth_, dpi);
}

bool Splitter::Resizes(int x, int y) const
{
    return dragging_ || LayOutMainWindow(width_, height_, helpWidth_, dpi_).OnSplitter(x, y);
}

bool Splitter::Press(int x, int y)
{
    dragging_ = LayOutMainWindow(width_, height_, helpWidth_, dpi_).OnSplitter(x, y);
    return dragging_;
}

bool Splitter::Move(int x)
{
    if (dragging_)
        helpWidth_ = HelpWidthForSplitterAt(x, width_, dpi_);
    return dragging_;
}

bool Splitter::Release()
{
    const bool was = dragging_;
    dragging_ = false;
    return was;
}

StatusRowLayout LayOutStatusRow(const Box &panel, const StatusRow &row, int dpi)
{
    auto scaled = [dpi](int px) { return ScaledPixels(px, dpi); };
    const int gap = scaled(kMainMargin);
    const int top = panel.y + gap, height = std::max(0, panel.height - 2 * gap);
    StatusRowLayout l;
    int right = panel.Right() - gap;
    if (row.stop) {
        const int h = std::min(height, scaled(kStopHeight));
        l.stop = {right - scaled(kStopWidth), top + height - h, scaled(kStopWidth), h};
        right = l.stop.x - gap;
    }
    // What the note and the progress may take beside the status line's room.
    int room = right - panel.x - gap - scaled(kStatusMinWidth);
    const auto give = [&](int want, int least) {
        const int width = std::min(want, room - gap);
        if (width < least)
            return 0;
        room -= width + gap;
        right -= width + gap;
        return width;
    };
    if (row.progress) {
        const int w = give(scaled(kProgressWidth), scaled(kProgressMinWidth));
        const int h = std::min(height, scaled(kProgressHeight));
        if (w > 0)
            l.progress = {right + gap, top + height - h - (std::min(height, scaled(kStopHeight)) - h) / 2, w, h};
    }
    if (!row.note.empty()) {
        const int w = give(scaled(kNoteWidth), scaled(kNoteMinWidth));
        if (w > 0)
            l.note = {right + gap, top, w, height};
    }
    l.status = {panel.x + gap, top, std::max(0, right - panel.x - gap), height};
    return l;
}

Font FontFor(FontRole role)
{
    switch (role) {
    case FontRole::Terminal:
        return {"Courier New", 13};  // 10 points at 96 dpi
    case FontRole::HelpText:
        return {"Courier New", 12};
    case FontRole::HelpWindow:
        return {"Terminal", 12};
    case FontRole::Result:
        return {"Arial", 64, false, true};  // 48 points
    case FontRole::Controls:
        break;
    }
    return {nullptr, 0};
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
