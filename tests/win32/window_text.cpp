// Reads a running window's texts from outside, as a screen reader would: through WM_GETTEXT.
//
//   window_text CLASS            the caption of the top-level window of that class
//   window_text CLASS ID         the text of its child control ID
//   window_text CLASS shown ID   "shown" or "hidden": whether control ID shows
// (Menus are not read: wine keeps a program's menus in that program.)
//
// UTF-8 on standard output; status 1 when there is no such window or control.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Print(const std::wstring &text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

std::wstring Widen(const char *text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    out.resize(out.empty() ? 0 : out.size() - 1);
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: window_text CLASS [ID | shown ID]\n");
        return 2;
    }
    HWND window = FindWindowW(Widen(argv[1]).c_str(), nullptr);
    if (!window)
        return 1;
    if (argc == 4) {
        HWND control = GetDlgItem(window, int(std::strtol(argv[3], nullptr, 10)));
        if (!control || std::string(argv[2]) != "shown")
            return 1;
        Print(IsWindowVisible(control) ? L"shown" : L"hidden");
        return 0;
    }
    HWND target = argc == 3 ? GetDlgItem(window, int(std::strtol(argv[2], nullptr, 10))) : window;
    if (!target)
        return 1;
    const LRESULT n = SendMessageW(target, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(SendMessageW(target, WM_GETTEXT, WPARAM(n + 1), reinterpret_cast<LPARAM>(text.data()))));
    Print(text);
    return 0;
}
