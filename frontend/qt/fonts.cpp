#include "fonts.h"

#include <QApplication>

QFont FontOf(FontRole role)
{
    const Font font = FontFor(role);
    if (!font.family)
        return QApplication::font();
    QFont qfont(font.family);
    qfont.setStyleHint(font.fixedPitch ? QFont::Monospace : QFont::SansSerif);
    qfont.setFixedPitch(font.fixedPitch);
    qfont.setPixelSize(font.pixels);
    qfont.setBold(font.bold);
    return qfont;
}
