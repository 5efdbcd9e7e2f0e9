// The three modal message boxes. Their texts may carry file names in any encoding.
#include "messageboxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringDecoder>

namespace {

// UTF-8 where the bytes are UTF-8; otherwise every byte as one character, so that a name in
// another encoding still shows all its bytes instead of replacement marks.
QString BoxText(const std::string &text)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString shown = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (utf8.hasError())
        shown = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

int RunBox(QMessageBox::Icon icon, const char *title, const std::string &format,
           const FormatArgs &args, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, QString::fromLatin1(title), BoxText(FormatGuarded(format, args)),
                    buttons, QApplication::activeWindow());
    // File names and received text must not be taken for markup.
    box.setTextFormat(Qt::PlainText);
    if (buttons & QMessageBox::Yes) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    return box.exec();
}

}  // namespace

void ShowErrorBox(const std::string &format, const FormatArgs &args)
{
    RunBox(QMessageBox::Critical, "Error", format, args, QMessageBox::Ok);
}

void ShowInfoBox(const std::string &format, const FormatArgs &args)
{
    RunBox(QMessageBox::Information, "Information", format, args, QMessageBox::Ok);
}

bool AskYesNo(const std::string &format, const FormatArgs &args)
{
    return RunBox(QMessageBox::Question, "Confirm", format, args,
                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
