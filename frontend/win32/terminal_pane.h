// The terminal: a read-only multiline EDIT whose typed characters go to the programmer
// instead of into its text.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "key_bytes.h"

// `onKey` gets the byte of each typed character (key_bytes.h), `onFind` the find's keys.
HWND CreateTerminalPane(HWND parent, int id, std::function<void(char)> onKey,
                        std::function<void(FindKey)> onFind = {});
// Appends (or replaces the text with) `text`, then deletes lines from the top until at most
// `maxLines` remain as shown; the caret ends at the end, scrolled into view. With
// `keepSelection`, a selection stays on its text instead.
void AppendCapped(HWND pane, const std::wstring &text, bool replace, int maxLines, bool keepSelection = false);
