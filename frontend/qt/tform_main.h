// The main window on Qt: draws what the window's logic says and tells it what the user did.
#pragma once

#include <QMainWindow>
#include <map>
#include <string>
#include <vector>

#include "idlenotifier.h"
#include "main_window_logic.h"

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QSocketNotifier;
class QSplitter;
class QTimer;
class TerminalPane;
class Thelpf;
class FindBox;
class ProductionPanel;

// Its controls and menu items carry their names as objectName (RichEdit_Main, Label_Stat,
// BitBtn_Stop, DownloadHex, uploadbin1, uploadhex, log, ...), for tests and accessibility.
class TForm_main : public QMainWindow, public MainWindowView {
    Q_OBJECT
public:
    // `args`: the command line without the program name; `programPath`: the running program.
    TForm_main(const std::vector<std::string> &args, const std::string &programPath,
               QWidget *parent = nullptr);
    ~TForm_main() override;

    // The port, its settings and the transfers.
    Session &GetSession() { return logic_.GetSession(); }

    // The view
    void SetCaption(const std::string &text) override;
    void ShowStatusRow(const StatusRow &row) override;
    void SetHelpLabel(const std::string &text) override;
    void AppendToPane(const std::string &text, bool replace, int maxLines) override;
    void ClearPane() override;
    void FocusTerminal() override;
    void SetCommandState(CommandId id, bool enabled, bool checked, const std::string &caption) override;
    bool ShowBox(BoxKind kind, const std::string &title, const std::string &text) override;
    FileAnswer AskForFile(const FileRequest &request) override;
    bool AskSettings(SettingsDialog &dialog) override;
    void ShowHelpWindow() override;
    void CloseHelpWindow() override;
    void ShowFindBox(bool shown) override;
    std::string PaneText() override;
    void PaneSelection(size_t &start, size_t &end) override;
    void SelectInPane(size_t start, size_t end) override;
    void ShowProductionPanel() override;
    void ProcessEvents() override;
    void WaitForLineOrEvents(LineSignal line, int32_t ms) override;
    bool WatchesLine() const override;
    void SetIdle(bool on, LineSignal line, int wakeMs) override;
    void WakeSoon() override;
    void StartTimer(int ms) override;
    void CloseWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class FormProbe;  // the tests' look inside

    void BuildWindow();
    void BuildMenus();
    void PlaceStatusPanel();
    void FindFromBox(bool forward);
    // The notifier follows the library's descriptor, which changes with every reopening.
    QSocketNotifier *LineNotifier(int line);

    // Components
    QWidget *TabControl_Main = nullptr;
    TerminalPane *RichEdit_Main = nullptr;
    QSplitter *Splitter_Edit_Help = nullptr;
    QLabel *Label_Help = nullptr;
    FindBox *FindBox_Pane = nullptr;
    QWidget *Panel_Buttons = nullptr;
    QLabel *Label_Stat = nullptr;
    QLabel *Label_Note = nullptr;
    QPushButton *BitBtn_Stop = nullptr;
    QProgressBar *ProgressBar_Transfer = nullptr;
    StatusRow row_;  // as last shown
    // Menu items, by command
    std::map<CommandId, QAction *> items_;
    // The help window, created hidden at program start.
    Thelpf *helpf = nullptr;
    // The production panel, made when first asked for.
    ProductionPanel *production_ = nullptr;

    MainWindowLogic logic_;
    IdleNotifier idle_;
    QTimer *lineBackTimer_ = nullptr;
    // Wakes the loop when the line has a byte: on in terminal mode and during the session's
    // waits, off while a transfer reads the line itself.
    QSocketNotifier *lineNotifier_ = nullptr;
    bool idleOn_ = false;
};
