// The line settings dialog (etc -> settings...) on the Win32 API: a dialog from an in-memory
// template, so that the dialog manager gives it the keyboard (Tab, Enter, Escape), the
// system's dialog font and the monitor's scaling.
#pragma once

#include <windows.h>

#include "settings_dialog.h"

// Shows `dialog` modally over `owner`; on OK its fields are written back and the result is true.
bool RunSettingsDialog(HWND owner, SettingsDialog &dialog);
