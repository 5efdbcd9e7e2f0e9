#include "fonts.h"

#include <QApplication>

QFont FontOf(FontRole role)
{
    const Font font = FontFor(role);
    if (!font.family)
        return QApplication::font();
    QFont qfont(font.family);
    qfont.setStyleHint(QFont::Monospace);
    qfont.setFixedPitch(true);
    qfont.setPixelSize(font.pixels);
    return qfont;
}
