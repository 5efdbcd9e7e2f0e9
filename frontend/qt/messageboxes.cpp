// The modal message boxes, with the platform's icons and buttons.
#include "messageboxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

bool RunMessageBox(BoxKind kind, const std::string &title, const std::string &text)
{
    const QMessageBox::Icon icon = kind == BoxKind::Error         ? QMessageBox::Critical
                                   : kind == BoxKind::Information ? QMessageBox::Information
                                                                  : QMessageBox::Question;
    const QMessageBox::StandardButtons buttons =
        kind == BoxKind::Confirm ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), buttons,
                    QApplication::activeWindow());
    // File names and received text must not be taken for markup.
    box.setTextFormat(Qt::PlainText);
    if (buttons & QMessageBox::Yes) {
        box.button(QMessageBox::Yes)->setText(kYesCaption);
        box.button(QMessageBox::No)->setText(kNoCaption);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    return box.exec() == QMessageBox::Yes;
}
