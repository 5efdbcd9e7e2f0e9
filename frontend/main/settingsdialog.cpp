#include "settingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString Text(const std::string &text) { return QString::fromStdString(text); }

QComboBox *AddList(QDialog &dialog, QFormLayout *form, const char *label, const std::vector<std::string> &choices,
                   const std::string &current, bool editable)
{
    auto *list = new QComboBox(&dialog);
    list->setEditable(editable);
    for (const std::string &choice : choices)
        list->addItem(Text(choice));
    list->setCurrentText(Text(current));
    list->setAccessibleName(label);
    form->addRow(label, list);
    return list;
}

}  // namespace

bool RunSettingsDialog(QWidget *parent, SettingsDialog &dialog)
{
    QDialog window(parent);
    window.setObjectName("SettingsDialog");
    window.setWindowTitle(SettingsDialog::kCaption);
    auto *form = new QFormLayout(&window);

    std::vector<std::string> ports;
    for (const SettingsDialog::Choice &choice : dialog.ports)
        ports.push_back(choice.shown);
    QComboBox *port = AddList(window, form, SettingsDialog::kPortLabel, ports, dialog.port, true);
    port->setMinimumContentsLength(40);
    QComboBox *baud = AddList(window, form, SettingsDialog::kBaudLabel, dialog.bauds, dialog.baud, true);
    QComboBox *dataBits =
        AddList(window, form, SettingsDialog::kDataBitsLabel, dialog.dataBitsChoices, dialog.dataBits, false);
    QComboBox *parity = AddList(window, form, SettingsDialog::kParityLabel, dialog.parities, dialog.parity, false);
    QComboBox *stopBits =
        AddList(window, form, SettingsDialog::kStopBitsLabel, dialog.stopBitsChoices, dialog.stopBits, false);
    QComboBox *flow = AddList(window, form, SettingsDialog::kFlowLabel, dialog.flows, dialog.flow, false);
    auto *delay = new QLineEdit(Text(dialog.delayMs), &window);
    delay->setAccessibleName(SettingsDialog::kDelayLabel);
    form->addRow(SettingsDialog::kDelayLabel, delay);
    auto *reconnect = new QCheckBox(SettingsDialog::kReconnectLabel, &window);
    reconnect->setAccessibleName(SettingsDialog::kReconnectLabel);
    reconnect->setChecked(dialog.reconnect);
    form->addRow(reconnect);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    form->addRow(buttons);

    if (window.exec() != QDialog::Accepted)
        return false;
    dialog.port = port->currentText().toStdString();
    dialog.baud = baud->currentText().toStdString();
    dialog.dataBits = dataBits->currentText().toStdString();
    dialog.parity = parity->currentText().toStdString();
    dialog.stopBits = stopBits->currentText().toStdString();
    dialog.flow = flow->currentText().toStdString();
    dialog.delayMs = delay->text().toStdString();
    dialog.reconnect = reconnect->isChecked();
    return true;
}
