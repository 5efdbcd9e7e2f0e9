// The modal boxes and the common file dialogs.
#pragma once

#include <windows.h>

#include <string>

#include "main_window_view.h"

// True when a Confirm box is answered Yes.
bool RunMessageBox(HWND owner, BoxKind kind, const std::string &title, const std::string &text);
// The chosen file in the ANSI code page, or the name that cannot be given in it.
FileAnswer RunFileDialog(HWND owner, const FileRequest &request);
