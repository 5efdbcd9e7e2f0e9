// Shared pieces of the window's transfer tests: the programmers of the session tests, a
// window started on one of them, answered file dialogs, and the state a transfer must leave.
#pragma once

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "../qt/window_test_support.h"
#include "../session/session_test_support.h"

namespace zmtest {

// Starts a main window on a port, with no settings file, and waits for the terminal mode.
inline std::unique_ptr<TForm_main> StartTerminal(const std::string &portArg)
{
    auto form = MakeForm({"-i-", portArg});
    PumpUntil([&] { return form->GetSession().IsOpen(); });
    return form;
}

// Answers every file dialog with the next of `paths` ("" cancels); counts the dialogs shown.
struct DialogAnswers {
    std::vector<std::string> paths;
    size_t asked = 0;
    void Install(TForm_main &form)
    {
        form.SetFileDialogAnswer([this](const FileRequest &) {
            return asked < paths.size() ? paths[asked++] : (++asked, std::string());
        });
    }
};

// After every ending of a transfer the window is back in terminal mode.
inline void ExpectTerminalMode(TForm_main &form)
{
    EXPECT_FALSE(form.GetSession().TransferRunning());
    EXPECT_TRUE(FormProbe::Idle(form).HasHandler());
    EXPECT_TRUE(Child<QPushButton>(form, "BitBtn_Stop")->isHidden());
    EXPECT_TRUE(Child<QProgressBar>(form, "ProgressBar_Transfer")->isHidden());
    EXPECT_FALSE(SessionProbe::EchoControls(form.GetSession()));
    for (QAction *item : {Child<QAction>(form, "DownloadHex"), Child<QAction>(form, "uploadbin1"), Child<QAction>(form, "uploadhex"), Child<QAction>(form, "testafewmilliseconds")})
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
}

} // namespace zmtest
