#include "settings_window.h"

#include <algorithm>
#include <string>
#include <vector>

#include "control_ids.h"
#include "dpi.h"
#include "form_fields.h"
#include "wide_text.h"

namespace {

using Kind = SettingsField::Kind;

// The fields' controls take consecutive ids, in the fields' order.
int IdOf(size_t field) { return zmids::kSettingsPort + int(field); }

// A DLGTEMPLATEEX and its DLGITEMTEMPLATEEX entries, written word by word.
class Template {
public:
    Template(const std::wstring &caption, short cx, short cy, int items)
    {
        const LOGFONTW font = MessageFont();
        Word(1);
        Word(0xFFFF);
        Dword(0);  // help id
        Dword(0);  // extended style
        Dword(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        Word(WORD(items));
        Rect(0, 0, cx, cy);
        Word(0);  // no menu
        Word(0);  // the dialog class
        Text(caption);
        Word(WORD(FontPoints(font)));
        Word(WORD(font.lfWeight));
        Word(WORD(font.lfItalic | (font.lfCharSet << 8)));
        Text(font.lfFaceName);
    }

    // `cls`: a system class's name.
    void Item(const wchar_t *cls, const std::wstring &text, DWORD style, int id, const Box &box)
    {
        if (words_.size() % 2)
            Word(0);  // each item starts on a DWORD
        Dword(0);
        Dword(0);
        Dword(WS_CHILD | WS_VISIBLE | style);
        Rect(box.x, box.y, box.width, box.height);
        Dword(DWORD(id));
        Text(cls);
        Text(text);
        Word(0);  // no creation data
    }

    const DLGTEMPLATE *Data() const { return reinterpret_cast<const DLGTEMPLATE *>(words_.data()); }

private:
    // Its height in points at the system's dpi, which the template wants.
    static int FontPoints(const LOGFONTW &font)
    {
        const int height = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight ? font.lfHeight : 11;
        return std::max(1, MulDiv(height, 72, SystemDpi()));
    }

    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d)
    {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Rect(int x, int y, int cx, int cy)
    {
        for (int v : {x, y, cx, cy})
            Word(WORD(v));
    }
    void Text(const std::wstring &text)
    {
        words_.insert(words_.end(), text.begin(), text.end());
        Word(0);
    }

    std::vector<WORD> words_;
};

// The dialog, its fields (made once, bound to it), and whether their values are being shown
// (which reports changes too).
struct DialogState {
    SettingsDialog &dialog;
    std::vector<SettingsField> fields;
    bool showing;
};

// Every field's value but the `skip`-th's into its control.
void ShowValues(HWND dlg, DialogState &state, size_t skip)
{
    state.showing = true;
    const std::vector<SettingsField> &fields = state.fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        const SettingsField &f = fields[i];
        if (i == skip)
            continue;
        if (f.kind == Kind::Check)
            CheckDlgButton(dlg, IdOf(i), *f.checked ? BST_CHECKED : BST_UNCHECKED);
        else
            ShowFieldText(GetDlgItem(dlg, IdOf(i)), f.kind, *f.text);
    }
    state.showing = false;
}

void Fill(HWND dlg, DialogState &state)
{
    const std::vector<SettingsField> &fields = state.fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        HWND control = GetDlgItem(dlg, IdOf(i));
        AddChoices(control, fields[i].choices);
        if (fields[i].wide) {
            RECT r;
            GetWindowRect(control, &r);
            SendMessageW(control, CB_SETDROPPEDWIDTH, WPARAM((r.right - r.left) * 2), 0);
        }
    }
    ShowValues(dlg, state, fields.size());
}

void Read(HWND dlg, const std::vector<SettingsField> &fields)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].kind == Kind::Check)
            *fields[i].checked = IsDlgButtonChecked(dlg, IdOf(i)) == BST_CHECKED;
        else
            *fields[i].text = FieldString(GetDlgItem(dlg, IdOf(i)));
    }
}

// The user changed the `field`-th field: the logic sets the fields that follow it. A list's
// text is the entry chosen only after its selection's notification, so that is read instead.
void FieldChanged(HWND dlg, DialogState &state, size_t field, bool selected)
{
    Read(dlg, state.fields);
    const std::vector<SettingsField> &fields = state.fields;
    if (field >= fields.size())
        return;
    HWND control = GetDlgItem(dlg, IdOf(field));
    const LRESULT at = selected ? SendMessageW(control, CB_GETCURSEL, 0, 0) : CB_ERR;
    if (at != CB_ERR) {
        std::wstring text(size_t(SendMessageW(control, CB_GETLBTEXTLEN, WPARAM(at), 0)) + 1, L'\0');
        text.resize(size_t(SendMessageW(control, CB_GETLBTEXT, WPARAM(at), reinterpret_cast<LPARAM>(text.data()))));
        *fields[field].text = Narrow(text);
    }
    if (SettingsFieldChanged(state.dialog, fields[field].id))
        ShowValues(dlg, state, field);
}

INT_PTR CALLBACK SettingsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp)
{
    auto *state = reinterpret_cast<DialogState *>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        Fill(dlg, *reinterpret_cast<DialogState *>(lp));
        return TRUE;  // the first field takes the focus
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (id == IDOK) {
            Read(dlg, state->fields);
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        const bool selected = code == CBN_SELCHANGE;
        if (state && !state->showing && id >= IdOf(0) && (selected || code == CBN_EDITCHANGE || code == EN_CHANGE))
            FieldChanged(dlg, *state, size_t(id - IdOf(0)), selected);
        break;
    }
    default:
        break;
    }
    return FALSE;
}

}  // namespace

bool RunSettingsDialog(HWND owner, SettingsDialog &dialog)
{
    DialogState state{dialog, SettingsFields(dialog), false};
    const std::vector<SettingsField> &fields = state.fields;
    const SettingsDialogLayout l = LayOutSettingsDialog(fields);
    // Each field's label comes just before it, which also makes the label its accessible name;
    // the check box carries its own.
    Template t(Widen(SettingsDialog::kCaption), short(l.width), short(l.height), int(2 * fields.size()) + 1);
    for (size_t i = 0; i < fields.size(); ++i) {
        const SettingsField &f = fields[i];
        const std::wstring label = Widen(f.label);
        const DWORD style = FieldStyle(f.kind);
        if (f.kind == Kind::Check) {
            t.Item(L"BUTTON", label, style, IdOf(i), l.rows[i].field);
            continue;
        }
        t.Item(L"STATIC", label, SS_LEFT | SS_NOPREFIX, -1, l.rows[i].label);
        t.Item(FieldClass(f.kind), L"", style | (f.kind == Kind::Edit ? WS_BORDER : 0), IdOf(i), l.rows[i].field);
    }
    t.Item(L"BUTTON", Widen(SettingsDialog::kOkCaption), BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, l.ok);
    t.Item(L"BUTTON", Widen(SettingsDialog::kCancelCaption), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, l.cancel);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Data(), owner, SettingsProc,
                                   reinterpret_cast<LPARAM>(&state)) == IDOK;
}
