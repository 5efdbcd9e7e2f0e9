// The main window: a terminal on the programmer, and the menus that start the transfers.
#pragma once

#include <QMainWindow>
#include <QPlainTextEdit>
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
class QSplitter;
class TForm_main;
class Thelpf;

// The terminal pane: read-only, but every key that makes a character goes to the form.
class TerminalPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TerminalPane(TForm_main *form);

    // Appends `text` at the end, then deletes lines from the top until at most `maxLines`
    // lines remain as the pane shows them (a wrapped line counts as several); the caret
    // ends at the end of the text, scrolled into view.
    void AppendCapped(const QString &text, int maxLines);
    // Lines as the pane shows them now.
    int ShownLineCount() const;
    // The byte a key press makes (Enter 13, Backspace 8, Ctrl+letter 1..26, ...); -1 for none.
    static int KeyByte(const QKeyEvent *event);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // Tab is a byte for the programmer, not a focus change.
    bool focusNextPrevChild(bool next) override;

private:
    TForm_main *form_;
};

class TForm_main : public QMainWindow, public SessionHost {
    Q_OBJECT
public:
    // `args`: the command line without the program name; `programPath`: the running program.
    TForm_main(const std::vector<std::string> &args, const std::string &programPath,
               QWidget *parent = nullptr);
    ~TForm_main() override;

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
    void FocusTerminal();
    void UpdateLogMenu();

    // A running transfer disables the transfer items; closing the window then acts as Stop
    // and the window closes once the transfer has ended.
    bool TransferRunning() const { return session.transferRunning; }

    // The session's host
    void ShowStatus(const std::string &text) override;
    void ShowInfo(const std::string &format, const FormatArgs &args) override;
    void ShowError(const std::string &format, const FormatArgs &args) override;
    void ShowEcho(const std::string &bytes) override;
    void ProcessMessages() override;
    void WaitPumping(int32_t ms) override;
    void StoppableChanged(bool stoppable) override;
    void TransferStarted() override;
    void TransferEnded() override;
    std::string ChooseOtherFile(const std::string &failedPath) override;
    void LineLost(const std::string &text) override;
    void LineBack(const std::string &text) override;

    // Runs one of the three file dialogs; returns the chosen file or empty when cancelled.
    // Tests answer instead through `fileDialogAnswer`.
    std::string RunFileDialog(const std::unique_ptr<FileDialog> &dialog, const std::string &preset = {});
    std::function<std::string(const FileDialog *dialog)> fileDialogAnswer;

    // Terminal limits: lines kept in the pane; the longest a drain holds the loop.
    static constexpr int kTerminalLines = 200;
    static constexpr int kDrainSliceMs = 5;
    // How long the status line says that the line is back.
    static constexpr int kLineBackShownMs = 4000;

    // The pane's text for one byte (advancing displayState).
    QString DisplayText(int32_t value);

    // The port, its settings and the transfers
    Session session{*this};
    bool started = false;
    bool draining = false;
    LineState displayState;
    bool closeAfterTransfer = false;
    IdleNotifier idle;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildWindow();
    void BuildMenus();
    void ConfigureDialogs();

    std::vector<std::string> args_;
    std::string programPath_;
    bool formClosed_ = false;
};
