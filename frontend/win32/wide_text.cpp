#include "wide_text.h"

#include "window_text.h"

std::wstring Widen(const std::string &utf8)
{
    const std::u16string text = Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

std::string Narrow(const std::wstring &wide)
{
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::wstring WidenForEdit(const std::string &utf8)
{
    const std::u16string text = WithCrLfBreaks(Utf8ToUtf16(utf8));
    return std::wstring(text.begin(), text.end());
}

std::wstring WindowString(HWND window)
{
    std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

std::string ToAnsi(const std::wstring &name)
{
    // No code page takes more than three bytes for a UTF-16 unit.
    std::string out(name.size() * 4, '\0');
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), int(name.size()), out.data(),
                                      int(out.size()), nullptr, &lost);
    out.resize(n > 0 && !lost ? size_t(n) : 0);
    return out;
}

std::wstring FromAnsi(const std::string &name)
{
    std::wstring out(name.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), out.data(), int(out.size()));
    out.resize(n > 0 ? size_t(n) : 0);
    return out;
}
