#include "dialogs.h"

#include <commdlg.h>

#include <filesystem>
#include <vector>

#include "wide_text.h"

bool RunMessageBox(HWND owner, BoxKind kind, const std::string &title, const std::string &text)
{
    const UINT style = kind == BoxKind::Error         ? MB_ICONERROR | MB_OK
                       : kind == BoxKind::Information ? MB_ICONINFORMATION | MB_OK
                                                      : MB_ICONQUESTION | MB_YESNO;
    return MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), style | MB_APPLMODAL) == IDYES;
}

namespace {

// "hex files\0*.hex\0any files\0*\0\0"
std::wstring FilterText(const FileRequest &request)
{
    std::wstring filter;
    for (const FileRequest::Filter &f : request.filters) {
        filter += Widen(f.description);
        filter += L'\0';
        filter += Widen(f.pattern);
        filter += L'\0';
    }
    return filter;
}

std::wstring FullPath(const std::wstring &path)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.wstring();
}

// A name that the code page lacks a character of: an existing file's short name may still
// be in it.
std::string AnsiName(const std::wstring &chosen)
{
    std::string name = ToAnsi(chosen);
    if (!name.empty())
        return name;
    std::wstring shortName(32768, L'\0');  // any path the system takes
    const DWORD got = GetShortPathNameW(chosen.c_str(), shortName.data(), DWORD(shortName.size()));
    if (got == 0 || got >= shortName.size())
        return {};
    shortName.resize(got);
    return ToAnsi(shortName);
}

}  // namespace

FileAnswer RunFileDialog(HWND owner, const FileRequest &request)
{
    // Long enough for any path the system takes.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring preset = FromAnsi(request.preset);
    if (preset.size() < file.size())
        preset.copy(file.data(), preset.size());
    const std::wstring filter = FilterText(request);
    const std::wstring title = Widen(request.caption);
    const std::wstring directory = request.directory.empty() ? std::wstring() : FullPath(FromAnsi(request.directory));

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    ofn.lpstrTitle = title.c_str();
    // The session's relative names (the log, the settings' paths) stay where they were.
    ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    BOOL chosen;
    if (request.mode == FileRequest::Mode::Open) {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameW(&ofn);
    } else {
        ofn.Flags |= OFN_NOREADONLYRETURN;
        if (request.confirmOverwrite)
            ofn.Flags |= OFN_OVERWRITEPROMPT;
        chosen = GetSaveFileNameW(&ofn);
    }
    if (!chosen)
        return {};
    const std::wstring name(file.data());
    std::string ansi = AnsiName(name);
    if (ansi.empty())
        return {{}, Narrow(name)};
    return {ansi, {}};
}
