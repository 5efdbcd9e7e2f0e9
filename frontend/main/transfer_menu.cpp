// The transfer items of the menu: each chooses its file and runs the session's transfer. A
// running transfer owns the line: the commands that would start another one, or busy-wait
// without answering, stay disabled until it has ended.
#include <QAction>

#include "timing.h"
#include "tform_main.h"

void TForm_main::EnableTransferItems(bool on)
{
    for (QAction *item : {DownloadHex, uploadbin1, uploadhex, testafewmilliseconds})
        if (item)
            item->setEnabled(on);
}

void TForm_main::DownloadHexClick()
{
    const std::string path = RunFileDialog(OpenDialog_Hex);
    if (path.empty())
        return;
    // Measured once per run, before the file opens, so that it never delays the pacing.
    Calibrate();
    session_.DownloadHex(path);
}

void TForm_main::uploadbin1Click()
{
    const std::string path = RunFileDialog(SaveDialog);
    if (!path.empty())
        session_.UploadBin(path);
}

void TForm_main::uploadhexClick()
{
    const std::string path = RunFileDialog(SaveDialog);
    if (!path.empty())
        session_.UploadHex(path);
}

std::string TForm_main::ChooseOtherFile(const std::string &failedPath)
{
    return RunFileDialog(SaveDialog, failedPath);
}

void TForm_main::TransferStarted()
{
    EnableTransferItems(false);
    SetReceiveDisplay(false);
}

void TForm_main::TransferEnded()
{
    SetReceiveDisplay(true);
    EnableTransferItems(true);
    // A close asked for during the transfer was held back until its file was written.
    if (closeAfterTransfer_) {
        closeAfterTransfer_ = false;
        close();
    }
}
