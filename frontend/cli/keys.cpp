#include "keys.h"

#include "key_bytes.h"

namespace {

// The length of an escape sequence at keys[i] (ESC [ ... final, ESC O x), 0 for a lone ESC.
size_t EscapeSequenceLength(const std::string &keys, size_t i)
{
    if (i + 1 >= keys.size())
        return 0;
    const char kind = keys[i + 1];
    if (kind == 'O')
        return i + 2 < keys.size() ? 3 : 0;
    if (kind != '[')
        return 0;
    for (size_t j = i + 2; j < keys.size(); ++j)
        if (keys[j] >= 0x40 && keys[j] <= 0x7E)
            return j - i + 1;
    return keys.size() - i;
}

}  // namespace

std::string KeysToBytes(const std::string &keys)
{
    std::string bytes;
    for (size_t i = 0; i < keys.size(); ++i) {
        const auto c = static_cast<uint8_t>(keys[i]);
        if (c == 27) {
            const size_t length = EscapeSequenceLength(keys, i);
            if (length > 0) {
                i += length - 1;
                continue;
            }
            bytes += keys[i];
            continue;
        }
        if (c >= 0x80 && c < 0xC0)
            continue;  // a stray continuation byte
        // One character, its continuation bytes with it, as the window's table sends it; a
        // sequence cut short is no character.
        char32_t cp = c < 0x80 ? c : c < 0xE0 ? (c & 0x1F) : c < 0xF0 ? (c & 0x0F) : (c & 0x07);
        const size_t needed = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        size_t got = 0;
        while (c >= 0xC0 && i + 1 < keys.size() && (static_cast<uint8_t>(keys[i + 1]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (keys[++i] & 0x3F);
            ++got;
        }
        if (got != needed)
            continue;
        const int byte = TypedCharByte(cp);
        if (byte >= 0)
            bytes += static_cast<char>(byte);
    }
    return bytes;
}
