#include "keys.h"

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
        } else if (c == 127) {
            bytes += '\b';
        } else if (c < 0x80) {
            bytes += keys[i];
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < keys.size() &&
                   (static_cast<uint8_t>(keys[i + 1]) & 0xC0) == 0x80) {
            bytes += static_cast<char>(((c & 0x03) << 6) | (keys[i + 1] & 0x3F));
            ++i;
        } else if (c >= 0xC0) {
            // Another character: its continuation bytes go with it.
            while (i + 1 < keys.size() && (static_cast<uint8_t>(keys[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
    }
    return bytes;
}
