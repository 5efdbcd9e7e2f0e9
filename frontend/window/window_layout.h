// Where the windows' controls go, in pixels, from a client size and the dots per inch: for a
// view that places its controls itself.
#pragma once

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
};

// `px` pixels at 96 dpi, at `dpi`, rounded to the nearest.
int ScaledPixels(int px, int dpi);

// The terminal and the help label above the status panel, the splitter between them.
struct MainWindowLayout {
    int margin = 0;
    int panelTop = 0;
    Box terminal, helpLabel;
    bool OnSplitter(int x, int y) const;
};
// `helpWidth`: the help label's width at 96 dpi, as the splitter left it.
MainWindowLayout LayOutMainWindow(int clientWidth, int clientHeight, int helpWidth, int dpi);
// The help label's width at 96 dpi once the splitter is dragged to `x`.
int HelpWidthForSplitterAt(int x, int clientWidth, int dpi);

// The tabs above the search panel, and the panel's button and box.
struct HelpWindowLayout {
    Box tabs, searchButton, searchBox;
};
HelpWindowLayout LayOutHelpWindow(int clientWidth, int clientHeight, int dpi);
