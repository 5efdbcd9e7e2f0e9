// The controls of a form of labelled fields, as the window logic describes its fields: the
// settings dialog's and the production panel's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "settings_dialog.h"

// The system class of a field of kind `kind`, and its style (it takes the focus by Tab).
const wchar_t *FieldClass(SettingsField::Kind kind);
DWORD FieldStyle(SettingsField::Kind kind);
void AddChoices(HWND control, const std::vector<std::string> &choices);
// A fixed list chooses the entry that is `text`, if it lists one; the others show it as typed.
void ShowFieldText(HWND control, SettingsField::Kind kind, const std::string &text);
// What the field holds; for a list, the entry chosen or typed.
std::string FieldString(HWND control);
