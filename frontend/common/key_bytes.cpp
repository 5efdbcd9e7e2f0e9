#include "key_bytes.h"

int KeyByte(KeyKind kind, char32_t c, bool ctrl, bool altOrMeta)
{
    if (altOrMeta)
        return -1;
    switch (kind) {
    case KeyKind::Enter:
        return 13;
    case KeyKind::Backspace:
        return 8;
    case KeyKind::Escape:
        return 27;
    case KeyKind::Tab:
        return 9;
    case KeyKind::Insert:
    case KeyKind::Other:
        return -1;
    case KeyKind::Character:
        break;
    }
    if (ctrl) {
        // "@", the letters, "[", "\\", "]", "^" and "_": the control characters' own keys.
        if ((c >= U'@' && c <= U'_') || (c >= U'a' && c <= U'z'))
            return int(c & 0x1F);
        return -1;
    }
    if (c < 32 || c == 127 || c > 255)
        return -1;
    return int(c);
}

bool IsCopyKey(KeyKind kind, char32_t c, bool ctrl, bool shift, bool altOrMeta)
{
    if (!ctrl || altOrMeta)
        return false;
    if (kind == KeyKind::Insert)
        return !shift;
    return kind == KeyKind::Character && shift && (c == U'C' || c == U'c');
}

int TypedCharByte(char32_t c, KeyKind key)
{
    if (key != KeyKind::Character)
        return KeyByte(key, 0, false, false);
    if (c == 127)
        return KeyByte(KeyKind::Backspace, 0, true, false);
    if (c < 32)
        return KeyByte(KeyKind::Character, c + U'@', true, false);
    // AltGr's characters come with Ctrl down: the character is what counts.
    return KeyByte(KeyKind::Character, c, false, false);
}
