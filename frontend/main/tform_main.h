// The main window: a terminal on the programmer, and the three transfers.
#pragma once

#include <QMainWindow>
#include <QPlainTextEdit>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bytelayer.h"
#include "idlenotifier.h"
#include "filedialog.h"
#include "settings.h"

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

class TForm_main : public QMainWindow {
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
    void ShowChar(int32_t value);
    void SendChar(uint8_t c);
    void SendString(const std::string &s);
    void BeginStoppable();
    void EndStoppable();
    void FocusTerminal();
    void ClearInputSlowly(int32_t quietMs);
    void UpdateLogMenu();

    // Binary upload's readers
    bool WaitForText(const std::string &text, int32_t limitMs);
    int32_t ReadHexByte(int32_t limitMs);

    // A running transfer disables the transfer items; closing the window then acts as Stop
    // and the window closes once the transfer has ended.
    void BeginTransfer();
    void EndTransfer();
    bool TransferRunning() const { return transferRunning; }

    // Runs one of the three file dialogs; returns the chosen file or empty when cancelled.
    // Tests answer instead through `fileDialogAnswer`.
    std::string RunFileDialog(const std::unique_ptr<FileDialog> &dialog, const std::string &preset = {});
    std::function<std::string(const FileDialog *dialog)> fileDialogAnswer;

    // Terminal limits: lines kept in the pane; the longest a drain holds the loop.
    static constexpr int kTerminalLines = 200;
    static constexpr int kDrainSliceMs = 5;

    // The echo rule of SendChar, and the pane's text for one byte (advancing displayState).
    bool Echoes(uint8_t c) const { return settings.echo && (c >= 32 || echoControls); }
    QString DisplayText(int32_t value);

    // Session state
    ZM32OP settings;
    SettingsState settingsState;
    intptr_t port = 0;
    bool started = false;
    bool draining = false;
    LineState displayState;
    bool stopRequested = false;
    bool echoControls = false;
    bool transferRunning = false;
    bool closeAfterTransfer = false;
    ByteLayer bytes{port, settings};
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
