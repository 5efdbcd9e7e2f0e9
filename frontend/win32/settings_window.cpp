#include "settings_window.h"

#include <algorithm>
#include <string>
#include <vector>

#include "control_ids.h"
#include "dpi.h"
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

    // `cls`: the system class's atom (0x80 button, 0x81 edit, 0x82 static, 0x85 combo box).
    void Item(WORD cls, const std::wstring &text, DWORD style, int id, short x, short y, short cx, short cy)
    {
        if (words_.size() % 2)
            Word(0);  // each item starts on a DWORD
        Dword(0);
        Dword(0);
        Dword(WS_CHILD | WS_VISIBLE | style);
        Rect(x, y, cx, cy);
        Dword(DWORD(id));
        Word(0xFFFF);
        Word(cls);
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
    void Rect(short x, short y, short cx, short cy)
    {
        for (short v : {x, y, cx, cy})
            Word(WORD(v));
    }
    void Text(const std::wstring &text)
    {
        words_.insert(words_.end(), text.begin(), text.end());
        Word(0);
    }

    std::vector<WORD> words_;
};

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kComboBox = 0x85;

// In dialog units: the labels' column, the fields', a row's height and the margin.
constexpr short kMargin = 7, kLabelWidth = 110, kFieldX = kMargin + kLabelWidth + 4;
constexpr short kRow = 17, kFieldHeight = 12, kPortWidth = 190, kFieldWidth = 80;
constexpr short kButtonWidth = 50, kButtonHeight = 14;
constexpr short kDialogWidth = kFieldX + kPortWidth + kMargin;

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
        HWND control = GetDlgItem(dlg, IdOf(i));
        if (i == skip)
            continue;
        if (f.kind == Kind::Check) {
            CheckDlgButton(dlg, IdOf(i), *f.checked ? BST_CHECKED : BST_UNCHECKED);
            continue;
        }
        const std::wstring value = Widen(*f.text);
        if (f.kind != Kind::List) {
            SetWindowTextW(control, value.c_str());
            continue;
        }
        const LRESULT at = SendMessageW(control, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(value.c_str()));
        SendMessageW(control, CB_SETCURSEL, WPARAM(at), 0);
    }
    state.showing = false;
}

void Fill(HWND dlg, DialogState &state)
{
    const std::vector<SettingsField> &fields = state.fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        const SettingsField &f = fields[i];
        HWND control = GetDlgItem(dlg, IdOf(i));
        for (const std::string &choice : f.choices)
            SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(choice).c_str()));
        if (f.wide) {
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
            *fields[i].text = Narrow(WindowString(GetDlgItem(dlg, IdOf(i))));
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
    const short buttonsY = short(kMargin + kRow * short(fields.size()) + 4);
    // Each field's label comes just before it, which also makes the label its accessible name;
    // the check box carries its own.
    Template t(Widen(SettingsDialog::kCaption), kDialogWidth, short(buttonsY + kButtonHeight + kMargin),
               int(2 * fields.size()) + 1);
    short y = kMargin;
    for (size_t i = 0; i < fields.size(); ++i) {
        const SettingsField &f = fields[i];
        const int id = IdOf(i);
        const std::wstring label = Widen(f.label);
        switch (f.kind) {
        case Kind::EditableList:
        case Kind::List: {
            const DWORD style = (f.kind == Kind::List ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
            t.Item(kStatic, label, SS_LEFT | SS_NOPREFIX, -1, kMargin, short(y + 2), kLabelWidth, 8);
            // A combo box's height in the template is that of its open list.
            t.Item(kComboBox, L"", style | WS_VSCROLL | WS_TABSTOP, id, kFieldX, y, f.wide ? kPortWidth : kFieldWidth,
                   120);
            break;
        }
        case Kind::Edit:
            t.Item(kStatic, label, SS_LEFT | SS_NOPREFIX, -1, kMargin, short(y + 2), kLabelWidth, 8);
            t.Item(kEdit, L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, id, kFieldX, y, kFieldWidth, kFieldHeight);
            break;
        case Kind::Check:
            t.Item(kButton, label, BS_AUTOCHECKBOX | WS_TABSTOP, id, kFieldX, short(y + 1), kLabelWidth, 10);
            break;
        }
        y = short(y + kRow);
    }
    const short okX = short(kDialogWidth - kMargin - 2 * kButtonWidth - 4);
    t.Item(kButton, Widen(SettingsDialog::kOkCaption), BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, okX, buttonsY, kButtonWidth, kButtonHeight);
    t.Item(kButton, Widen(SettingsDialog::kCancelCaption), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, short(okX + kButtonWidth + 4), buttonsY,
           kButtonWidth, kButtonHeight);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Data(), owner, SettingsProc,
                                   reinterpret_cast<LPARAM>(&state)) == IDOK;
}
