#include "form_fields.h"

#include "wide_text.h"

using Kind = SettingsField::Kind;

const wchar_t *FieldClass(Kind kind)
{
    return kind == Kind::Edit ? L"EDIT" : kind == Kind::Check ? L"BUTTON" : L"COMBOBOX";
}

DWORD FieldStyle(Kind kind)
{
    switch (kind) {
    case Kind::EditableList:
        return WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
    case Kind::List:
        return WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    case Kind::Edit:
        return WS_TABSTOP | ES_AUTOHSCROLL;
    case Kind::Check:
        break;
    }
    return WS_TABSTOP | BS_AUTOCHECKBOX;
}

void AddChoices(HWND control, const std::vector<std::string> &choices)
{
    for (const std::string &choice : choices)
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(choice).c_str()));
}

void ShowFieldText(HWND control, Kind kind, const std::string &text)
{
    const std::wstring wide = Widen(text);
    if (kind != Kind::List) {
        SetWindowTextW(control, wide.c_str());
        return;
    }
    const LRESULT at = SendMessageW(control, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(wide.c_str()));
    if (at != CB_ERR)
        SendMessageW(control, CB_SETCURSEL, WPARAM(at), 0);
}

std::string FieldString(HWND control)
{
    return Narrow(WindowString(control));
}
