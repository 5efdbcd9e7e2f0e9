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

// A field's control, filled; `read` takes what it holds into the field, `show` shows the
// field's value again, and `changed` is called when the user changes it.
struct FieldControl {
    QWidget *widget;
    std::function<void()> read;
    std::function<void()> show;
};

FieldControl AddField(QDialog &dialog, QFormLayout *form, const SettingsField &field, const std::function<void()> &changed)
{
    using Kind = SettingsField::Kind;
    if (field.kind == Kind::Check) {
        auto *check = new QCheckBox(field.label, &dialog);
        check->setChecked(*field.checked);
        form->addRow(check);
        return {check, [check, to = field.checked] { *to = check->isChecked(); }, [] {}};
    }
    if (field.kind == Kind::Edit) {
        auto *edit = new QLineEdit(Text(*field.text), &dialog);
        form->addRow(field.label, edit);
        QObject::connect(edit, &QLineEdit::textEdited, &dialog, changed);
        return {edit, [edit, to = field.text] { *to = edit->text().toStdString(); },
                [edit, from = field.text] { edit->setText(Text(*from)); }};
    }
    auto *list = new QComboBox(&dialog);
    list->setEditable(field.kind == Kind::EditableList);
    for (const std::string &choice : field.choices)
        list->addItem(Text(choice));
    list->setCurrentText(Text(*field.text));
    if (field.wide)
        list->setMinimumContentsLength(40);
    form->addRow(field.label, list);
    QObject::connect(list, &QComboBox::currentTextChanged, &dialog, changed);
    return {list, [list, to = field.text] { *to = list->currentText().toStdString(); },
            [list, from = field.text] { list->setCurrentText(Text(*from)); }};
}

}  // namespace

bool RunSettingsDialog(QWidget *parent, SettingsDialog &dialog)
{
    QDialog window(parent);
    window.setObjectName("SettingsDialog");
    window.setWindowTitle(SettingsDialog::kCaption);
    auto *form = new QFormLayout(&window);
    const std::vector<SettingsField> fields = SettingsFields(dialog);
    std::vector<FieldControl> controls;
    for (size_t i = 0; i < fields.size(); ++i) {
        // The logic sets the fields that follow this one; only those are shown again.
        const auto changed = [&dialog, &fields, &controls, i] {
            for (const FieldControl &control : controls)
                control.read();
            if (!SettingsFieldChanged(dialog, fields[i].id))
                return;
            for (size_t j = 0; j < controls.size(); ++j)
                if (j != i)
                    controls[j].show();
        };
        controls.push_back(AddField(window, form, fields[i], changed));
        controls.back().widget->setAccessibleName(fields[i].label);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
    buttons->button(QDialogButtonBox::Ok)->setText(SettingsDialog::kOkCaption);
    buttons->button(QDialogButtonBox::Cancel)->setText(SettingsDialog::kCancelCaption);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    form->addRow(buttons);

    if (window.exec() != QDialog::Accepted)
        return false;
    for (const FieldControl &control : controls)
        control.read();
    return true;
}
