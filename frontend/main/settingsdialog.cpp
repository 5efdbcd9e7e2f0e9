#include "settingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

namespace {

QString Text(const std::string &text) { return QString::fromStdString(text); }

// The field's control, filled; what it holds, read back on OK.
QWidget *AddField(QDialog &dialog, QFormLayout *form, const SettingsField &field,
                  std::vector<std::function<void()>> &readers)
{
    using Kind = SettingsField::Kind;
    if (field.kind == Kind::Check) {
        auto *check = new QCheckBox(field.label, &dialog);
        check->setChecked(*field.checked);
        form->addRow(check);
        readers.push_back([check, to = field.checked] { *to = check->isChecked(); });
        return check;
    }
    if (field.kind == Kind::Edit) {
        auto *edit = new QLineEdit(Text(*field.text), &dialog);
        form->addRow(field.label, edit);
        readers.push_back([edit, to = field.text] { *to = edit->text().toStdString(); });
        return edit;
    }
    auto *list = new QComboBox(&dialog);
    list->setEditable(field.kind == Kind::EditableList);
    for (const std::string &choice : field.choices)
        list->addItem(Text(choice));
    list->setCurrentText(Text(*field.text));
    if (field.wide)
        list->setMinimumContentsLength(40);
    form->addRow(field.label, list);
    readers.push_back([list, to = field.text] { *to = list->currentText().toStdString(); });
    return list;
}

}  // namespace

bool RunSettingsDialog(QWidget *parent, SettingsDialog &dialog)
{
    QDialog window(parent);
    window.setObjectName("SettingsDialog");
    window.setWindowTitle(SettingsDialog::kCaption);
    auto *form = new QFormLayout(&window);
    std::vector<std::function<void()>> readers;
    for (const SettingsField &field : SettingsFields(dialog))
        AddField(window, form, field, readers)->setAccessibleName(field.label);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
    buttons->button(QDialogButtonBox::Ok)->setText(SettingsDialog::kOkCaption);
    buttons->button(QDialogButtonBox::Cancel)->setText(SettingsDialog::kCancelCaption);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    form->addRow(buttons);

    if (window.exec() != QDialog::Accepted)
        return false;
    for (const auto &read : readers)
        read();
    return true;
}
