#include "filedialog.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

std::string RunFileDialog(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent, QString::fromStdString(request.caption));
    dialog.setObjectName(request.name);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (request.mode == FileRequest::Mode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    }
    QStringList filters;
    for (const FileRequest::Filter &filter : request.filters)
        filters << QString::fromStdString(filter.description + " (" + filter.pattern + ")");
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!request.directory.empty())
        dialog.setDirectory(QFile::decodeName(request.directory.c_str()));
    if (!request.preset.empty())
        dialog.selectFile(QFile::decodeName(request.preset.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}
