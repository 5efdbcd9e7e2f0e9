// A running transfer owns the line: the commands that would start another one, or busy-wait
// without answering, stay disabled until it has ended.
#include <QAction>

#include "tform_main.h"

namespace {

void EnableTransferItems(TForm_main &form, bool on)
{
    for (QAction *item : {form.DownloadHex, form.uploadbin1, form.uploadhex, form.testafewmilliseconds})
        if (item)
            item->setEnabled(on);
}

} // namespace

void TForm_main::BeginTransfer()
{
    transferRunning = true;
    EnableTransferItems(*this, false);
}

void TForm_main::EndTransfer()
{
    EnableTransferItems(*this, true);
    transferRunning = false;
    // A close asked for during the transfer was held back until its file was written.
    if (closeAfterTransfer) {
        closeAfterTransfer = false;
        close();
    }
}
