#include "filedialog.h"

#include <QFile>
#include <QFileDialog>

FileDialog::FileDialog(QWidget *parent, const QString &name, const QString &caption, Mode mode)
    : parent_(parent), name_(name), caption_(caption), mode_(mode)
{
}

std::string FileDialog::Run(const std::string &preset) const
{
    QFileDialog dialog(parent_, caption_);
    dialog.setObjectName(name_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (mode_ == Mode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite_);
    }
    if (!filters_.isEmpty())
        dialog.setNameFilters(filters_);
    if (!directory_.isEmpty())
        dialog.setDirectory(directory_);
    if (!preset.empty())
        dialog.selectFile(QFile::decodeName(preset.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}
