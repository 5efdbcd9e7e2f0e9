// Where the windows' controls go, in pixels, from a client size and the dots per inch: for a
// view that places its controls itself.
#pragma once

struct StatusRow;

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

// The splitter between the terminal and the help label, for a window that drags it itself:
// where it stands, and the drag, over the client area of the last layout.
class Splitter {
public:
    Splitter();
    // The window laid out at this size, the help label as wide as the splitter left it.
    MainWindowLayout LayOut(int clientWidth, int clientHeight, int dpi);
    // Whether the pointer at (x, y) shows that it resizes: over the splitter, or dragging it.
    bool Resizes(int x, int y) const;
    // A press at (x, y): true when it starts a drag (the window then captures the pointer).
    bool Press(int x, int y);
    // The pointer moved to `x`: true when the window is to be laid out again.
    bool Move(int x);
    // The button went up, or the capture was lost: true when a drag ended.
    bool Release();

private:
    int helpWidth_;  // at 96 dpi
    int width_ = 0, height_ = 0, dpi_ = 96;
    bool dragging_ = false;
};

// The find box, while it shows: a strip at the top of `terminal` for its text and its "match
// case" check box; `terminal` keeps what is below it.
struct FindStripLayout {
    Box text, matchCase;
};
FindStripLayout TakeFindStrip(Box &terminal, int margin, int dpi);

// The status row's parts in `panel`, the status panel's box: the status line at the left,
// then the note, the progress bar and Stop at the right. The status line keeps room for two
// lines of the longest text of a transfer; the note gives way for it first, then the
// progress. A part that does not show, or gave way, has an empty box.
struct StatusRowLayout {
    Box status, note, progress, stop;
};
StatusRowLayout LayOutStatusRow(const Box &panel, const StatusRow &row, int dpi);

// The fonts, by what they show; each window maps a role to a font of its own.
enum class FontRole {
    Terminal,    // the terminal and the help label beside it
    HelpText,    // the help window's tabs and panes
    HelpWindow,  // the help window's search row
    Controls,    // the status row, buttons and dialogs: the system's font for controls
    Result,      // the production panel's PASS or FAIL, read from a step away
};
struct Font {
    const char *family;  // null: the system's font for controls, at its own size
    int pixels;          // high, at 96 dpi
    bool fixedPitch = true;
    bool bold = false;
};
Font FontFor(FontRole role);

// The tabs above the search panel, and the panel's button and box.
struct HelpWindowLayout {
    Box tabs, searchButton, searchBox;
};
HelpWindowLayout LayOutHelpWindow(int clientWidth, int clientHeight, int dpi);
