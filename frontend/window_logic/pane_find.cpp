#include "pane_find.h"

#include "window_text.h"

namespace {

size_t FindFrom(const std::u16string &text, const std::u16string &needle, size_t from, bool matchCase)
{
    if (matchCase)
        return from > text.size() ? std::u16string::npos : text.find(needle, from);
    return FindIgnoringCase(text, needle, from);
}

// The last match that starts before `before`.
size_t FindBefore(const std::u16string &text, const std::u16string &needle, size_t before, bool matchCase)
{
    size_t last = std::u16string::npos;
    for (size_t p = FindFrom(text, needle, 0, matchCase); p != std::u16string::npos && p < before;
         p = FindFrom(text, needle, p + 1, matchCase))
        last = p;
    return last;
}

}  // namespace

PaneMatch FindInPane(const std::u16string &text, const std::u16string &needle, size_t selStart, size_t selEnd,
                     bool forward, bool matchCase)
{
    PaneMatch match;
    if (needle.empty())
        return match;
    const bool selected = selEnd > selStart;
    size_t at = std::u16string::npos;
    if (forward) {
        at = FindFrom(text, needle, selected ? selEnd : 0, matchCase);
        if (at == std::u16string::npos && selected) {
            at = FindFrom(text, needle, 0, matchCase);
            match.wrapped = true;
        }
    } else {
        at = FindBefore(text, needle, selected ? selStart : text.size() + 1, matchCase);
        if (at == std::u16string::npos && selected) {
            at = FindBefore(text, needle, text.size() + 1, matchCase);
            match.wrapped = true;
        }
    }
    if (at == std::u16string::npos)
        return PaneMatch{};
    match.found = true;
    match.start = at;
    match.end = at + needle.size();
    return match;
}
