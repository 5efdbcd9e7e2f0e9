#include "wide_text.h"

#include <windows.h>

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
    const std::wstring text = Widen(utf8);
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    // A line break is one CR LF: the control takes CR CR LF for its mark of a wrapped line.
    for (wchar_t c : text) {
        if (c == L'\n') {
            while (!out.empty() && out.back() == L'\r')
                out.pop_back();
            out += L'\r';
        }
        out += c;
    }
    return out;
}

std::wstring WithoutCarriageReturns(const std::wstring &text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n'))
            out += text[i];
    return out;
}

std::string ToAnsi(const std::wstring &name)
{
    if (name.empty())
        return {};
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), int(name.size()), nullptr, 0,
                                      nullptr, &lost);
    if (n <= 0 || lost)
        return {};
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), int(name.size()), out.data(), n, nullptr,
                        &lost);
    return lost ? std::string() : out;
}

std::wstring FromAnsi(const std::string &name)
{
    if (name.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), out.data(), n);
    return out;
}
