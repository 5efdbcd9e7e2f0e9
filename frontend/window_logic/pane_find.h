// The terminal's find: the next or the previous match from the selection, going on from the
// other end when there is none that way.
#pragma once

#include <cstddef>
#include <string>

struct PaneMatch {
    bool found = false;
    size_t start = 0, end = 0;
    bool wrapped = false;  // found only by going on from the other end
};

// In `text`, a match of `needle` after the selection [selStart, selEnd) (forward) or before
// it; with nothing selected, the first (forward) or the last. Letter case counts only when
// `matchCase`.
PaneMatch FindInPane(const std::u16string &text, const std::u16string &needle, size_t selStart, size_t selEnd,
                     bool forward, bool matchCase);
