#include "window_text.h"

#include <algorithm>

namespace {

// The length of the UTF-8 sequence at text[i] and its code point; 0 when it is not one.
size_t Utf8Sequence(const std::string &text, size_t i, char32_t &cp)
{
    const auto b = static_cast<unsigned char>(text[i]);
    size_t length;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, cp = b & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsUtf8(const std::string &text)
{
    char32_t cp;
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8Sequence(text, i, cp);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

char16_t FoldCase(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char16_t>(c + 0x20);
    return c;
}

}  // namespace

std::string Latin1ToUtf8(const std::string &bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes)
        AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string WindowText(const std::string &bytes)
{
    std::string text = IsUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    return text;
}

std::u16string Utf8ToUtf16(const std::string &text)
{
    std::u16string out;
    out.reserve(text.size());
    char32_t cp;
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8Sequence(text, i, cp);
        if (length == 0) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string &text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

size_t FindIgnoringCase(const std::u16string &text, const std::u16string &needle, size_t from)
{
    if (needle.empty() || from > text.size() || needle.size() > text.size() - from)
        return std::u16string::npos;
    for (size_t p = from; p + needle.size() <= text.size(); ++p) {
        size_t k = 0;
        while (k < needle.size() && FoldCase(text[p + k]) == FoldCase(needle[k]))
            ++k;
        if (k == needle.size())
            return p;
    }
    return std::u16string::npos;
}

std::u16string WithCrLfBreaks(const std::u16string &text)
{
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (char16_t c : text) {
        if (c == u'\n') {
            while (!out.empty() && out.back() == u'\r')
                out.pop_back();
            out += u'\r';
        }
        out += c;
    }
    return out;
}

size_t CrLfPosition(const std::u16string &text, size_t position)
{
    const auto end = text.begin() + std::ptrdiff_t(std::min(position, text.size()));
    return position + size_t(std::count(text.begin(), end, u'\n'));
}
