// The modal message boxes: the logic has made their titles and texts.
#pragma once

#include "main_window_view.h"

// A box of `kind` with the window's text `text` (UTF-8); true when Confirm is answered Yes.
bool RunMessageBox(BoxKind kind, const std::string &title, const std::string &text);

