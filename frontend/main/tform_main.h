// The main window: a terminal on the programmer, and the menus that start the transfers.
#pragma once

#include <QMainWindow>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filedialog.h"
#include "idlenotifier.h"
#include "session.h"

class QAction;
class QLabel;
class QPushButton;
class QSocketNotifier;
class QSplitter;
class TerminalPane;
class Thelpf;

// Its controls and menu items carry their names as objectName (RichEdit_Main, Label_Stat,
// BitBtn_Stop, DownloadHex, uploadbin1, uploadhex, log, ...), for tests and accessibility.
class TForm_main : public QMainWindow, private SessionHost {
    Q_OBJECT
public:
    // `args`: the command line without the program name; `programPath`: the running program.
    TForm_main(const std::vector<std::string> &args, const std::string &programPath,
               QWidget *parent = nullptr);
    ~TForm_main() override;

    // The port, its settings and the transfers.
    Session &GetSession() { return session_; }
    // Answers the three file dialogs instead of the user (empty: cancelled); unset, they run.
    using FileDialogAnswer = std::function<std::string(const FileDialog *dialog)>;
    void SetFileDialogAnswer(FileDialogAnswer answer) { fileDialogAnswer_ = std::move(answer); }

    // Terminal limits: lines kept in the pane; how long the status line says the line is back.
    static constexpr int kTerminalLines = 200;
    static constexpr int kLineBackShownMs = 4000;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class FormProbe;  // the tests' look inside

    void BuildWindow();
    void BuildMenus();
    void PlaceStatusPanel();
    void ConfigureDialogs();

    // Event handlers
    void FormCreate();
    void FormClose();
    void RichEdit_MainKeyPress(char key);
    void BitBtn_StopClick();
    void estafewmillisecondsClick();
    void logClick();
    void clear1Click();
    void exit1Click();
    void helpClick();
    void DownloadHexClick();
    void uploadbin1Click();
    void uploadhexClick();

    // Session and terminal
    void SessionStart();
    void SetReceiveDisplay(bool on);
    void DrainReceived();
    // Keeps the line's socket notifier on the session's current line: made when the port
    // opens, dropped when it closes (a notifier on a closed descriptor would spin the loop).
    void SyncLineNotifier();
    QSocketNotifier *LineNotifier();
    void FocusTerminal();
    void UpdateLogMenu();
    void EnableTransferItems(bool on);
    // Runs one of the three file dialogs; returns the chosen file or empty when cancelled.
    std::string RunFileDialog(const std::unique_ptr<FileDialog> &dialog, const std::string &preset = {});

    // The session's host
    void ShowStatus(const std::string &text) override;
    void ShowInfo(const std::string &text) override;
    void ShowError(const std::string &text) override;
    void ShowEcho(const std::string &text) override;
    void ProcessMessages() override;
    void WaitPumping(int32_t ms) override;
    void WaitForLine(int line, int32_t ms) override;
    void StoppableChanged(bool stoppable) override;
    void TransferStarted() override;
    void TransferEnded() override;
    std::string ChooseOtherFile(const std::string &failedPath) override;
    void OnLineLost(const std::string &text) override;
    void OnLineBack(const std::string &text) override;

    // Components
    QWidget *TabControl_Main = nullptr;
    TerminalPane *RichEdit_Main = nullptr;
    QSplitter *Splitter_Edit_Help = nullptr;
    QLabel *Label_Help = nullptr;
    QWidget *Panel_Buttons = nullptr;
    QLabel *Label_Stat = nullptr;
    QPushButton *BitBtn_Stop = nullptr;
    std::unique_ptr<FileDialog> OpenDialog_Hex;
    std::unique_ptr<FileDialog> SaveDialog;
    std::unique_ptr<FileDialog> SaveDialogLog;
    // Menu items
    QAction *DownloadHex = nullptr;
    QAction *uploadbin1 = nullptr;
    QAction *uploadhex = nullptr;
    QAction *exit1 = nullptr;
    QAction *testafewmilliseconds = nullptr;
    QAction *log = nullptr;
    QAction *clear1 = nullptr;
    QAction *help = nullptr;
    // The help window, created hidden at program start.
    Thelpf *helpf = nullptr;

    Session session_{*this};
    FileDialogAnswer fileDialogAnswer_;
    IdleNotifier idle_;
    // Wakes the loop when the line has a byte: on in terminal mode and during the session's
    // waits, off while a transfer reads the line itself.
    QSocketNotifier *lineNotifier_ = nullptr;
    // When a wait for the line last handled the window's events.
    std::chrono::steady_clock::time_point eventsHandled_;
    bool lineWokeLast_ = true;  // whether the line, not an event, ended the last wait
    bool receiveDisplay_ = false;
    std::vector<std::string> args_;
    std::string programPath_;
    bool started_ = false;
    bool draining_ = false;
    bool closeAfterTransfer_ = false;
    bool formClosed_ = false;
};
