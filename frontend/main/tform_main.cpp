// The main window: its components and menus, the session's start and end, and the small
// menu commands.
#include "tform_main.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include "messageboxes.h"
#include "terminalpane.h"
#include "thelpf.h"
#include "timing.h"
#include "zmhwcomm.h"

namespace {

// The front-end's own version label, shown in the caption beside the library's.
const char *const kVersionLabel = "uhj";

QString ToQString(const std::string &text) { return QString::fromStdString(text); }

} // namespace

TForm_main::TForm_main(const std::vector<std::string> &args, const std::string &programPath,
                       QWidget *parent)
    : QMainWindow(parent), args_(args), programPath_(programPath)
{
    setObjectName("Form_main");
    setWindowTitle("zm32");
    BuildWindow();
    BuildMenus();
    ConfigureDialogs();
    helpf = new Thelpf(this);
    FormCreate();
}

// A window destroyed without being closed still gives its port back: the session does.
TForm_main::~TForm_main() = default;

void TForm_main::BuildWindow()
{
    QFont terminalFont("Courier New");
    terminalFont.setStyleHint(QFont::Monospace);
    terminalFont.setFixedPitch(true);
    terminalFont.setPointSize(10);

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 0);
    outer->setSpacing(0);

    TabControl_Main = new QWidget(central);
    TabControl_Main->setObjectName("TabControl_Main");
    auto *tabLayout = new QHBoxLayout(TabControl_Main);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    Splitter_Edit_Help = new QSplitter(Qt::Horizontal, TabControl_Main);
    Splitter_Edit_Help->setObjectName("Splitter_Edit_Help");
    RichEdit_Main = new TerminalPane(this);
    connect(RichEdit_Main, &TerminalPane::KeyTyped, this, [this](char key) { RichEdit_MainKeyPress(key); });
    RichEdit_Main->setObjectName("RichEdit_Main");
    RichEdit_Main->setFont(terminalFont);
    Label_Help = new QLabel(Splitter_Edit_Help);
    Label_Help->setObjectName("Label_Help");
    Label_Help->setTextFormat(Qt::PlainText);
    Label_Help->setWordWrap(true);
    Label_Help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Help->setMargin(6);
    Label_Help->setFont(terminalFont);
    Splitter_Edit_Help->addWidget(RichEdit_Main);
    Splitter_Edit_Help->addWidget(Label_Help);
    Splitter_Edit_Help->setStretchFactor(0, 1);
    Splitter_Edit_Help->setStretchFactor(1, 0);
    Splitter_Edit_Help->setSizes({480, 133});
    tabLayout->addWidget(Splitter_Edit_Help);
    outer->addWidget(TabControl_Main, 1);

    Panel_Buttons = new QWidget(central);
    Panel_Buttons->setObjectName("Panel_Buttons");
    Panel_Buttons->setFixedHeight(40);
    Label_Stat = new QLabel(Panel_Buttons);
    Label_Stat->setObjectName("Label_Stat");
    Label_Stat->setWordWrap(true);
    BitBtn_Stop = new QPushButton(style()->standardIcon(QStyle::SP_BrowserStop), "Stop", Panel_Buttons);
    BitBtn_Stop->setObjectName("BitBtn_Stop");
    BitBtn_Stop->setFocusPolicy(Qt::NoFocus);
    BitBtn_Stop->hide();
    // Placed by hand, not by a layout: there, every new text of the status line (a count every
    // few bytes of a transfer) laid the whole window out again.
    Panel_Buttons->installEventFilter(this);
    outer->addWidget(Panel_Buttons);
    connect(BitBtn_Stop, &QPushButton::clicked, this, [this] { BitBtn_StopClick(); });

    setCentralWidget(central);
    resize(680, 440);
}

// The status line fills the panel, less the Stop button at its bottom right while it shows.
void TForm_main::PlaceStatusPanel()
{
    const QRect area = Panel_Buttons->rect().adjusted(4, 4, 0, -4);
    QRect label = area;
    if (!BitBtn_Stop->isHidden()) {
        const QSize stop = BitBtn_Stop->sizeHint();
        const QRect button(area.right() - stop.width() + 1, area.bottom() - stop.height() + 1, stop.width(),
                           stop.height());
        BitBtn_Stop->setGeometry(button);
        label.setRight(button.left() - style()->layoutSpacing(QSizePolicy::Label, QSizePolicy::PushButton,
                                                              Qt::Horizontal) - 1);
    }
    Label_Stat->setGeometry(label);
}

bool TForm_main::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel_Buttons && event->type() == QEvent::Resize)
        PlaceStatusPanel();
    return QMainWindow::eventFilter(watched, event);
}

void TForm_main::BuildMenus()
{
    auto item = [this](QMenu *menu, const char *name, const char *caption, void (TForm_main::*handler)()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return action;
    };
    QMenu *prompro7 = menuBar()->addMenu("prompro7");
    DownloadHex = item(prompro7, "DownloadHex", "download hex", &TForm_main::DownloadHexClick);
    uploadbin1 = item(prompro7, "uploadbin1", "upload bin", &TForm_main::uploadbin1Click);
    uploadhex = item(prompro7, "uploadhex", "upload hex (for a long long time)", &TForm_main::uploadhexClick);
    prompro7->addSeparator();
    exit1 = item(prompro7, "exit1", "exit", &TForm_main::exit1Click);

    QMenu *etc = menuBar()->addMenu("etc");
    testafewmilliseconds = item(etc, "testafewmilliseconds", "test a few milliseconds",
                                &TForm_main::estafewmillisecondsClick);
    log = item(etc, "log", "log", &TForm_main::logClick);
    log->setCheckable(true);
    clear1 = item(etc, "clear1", "clear", &TForm_main::clear1Click);

    help = menuBar()->addAction("help");
    help->setObjectName("help");
    connect(help, &QAction::triggered, this, [this] { helpClick(); });
}

void TForm_main::ConfigureDialogs()
{
    OpenDialog_Hex = std::make_unique<FileDialog>(this, "OpenDialog_Hex", "Open", FileDialog::Mode::Open);
    OpenDialog_Hex->setNameFilters({"hex files (*.hex)", "any files (*)"});
    OpenDialog_Hex->setDirectory(".");

    SaveDialog = std::make_unique<FileDialog>(this, "SaveDialog", "Save As", FileDialog::Mode::Save);
    SaveDialog->setDirectory(".");

    SaveDialogLog = std::make_unique<FileDialog>(this, "SaveDialogLog", "Trace log", FileDialog::Mode::Save);
    // The log is appended to, so choosing an existing file needs no warning.
    SaveDialogLog->setConfirmOverwrite(false);
}

std::string TForm_main::RunFileDialog(const std::unique_ptr<FileDialog> &dialog, const std::string &preset)
{
    if (fileDialogAnswer_)
        return fileDialogAnswer_(dialog.get());
    return dialog->Run(preset);
}

void TForm_main::FormCreate()
{
    idle_.SetHandler([this] { SessionStart(); });
}

void TForm_main::SessionStart()
{
    if (started_)
        return;
    started_ = true;
    // Started once: from here on the loop wakes only for what happens.
    idle_.SetHandler({});
    if (!session_.LoadSettings(args_, programPath_)) {
        close();
        return;
    }
    const SettingsState &settingsState = session_.SettingsFound();
    setWindowTitle(ToQString(FormatGuarded("%s%s (zm32:%s zmhwcomm.dll:%s)",
                                           {settingsState.settingsPath,
                                            settingsState.settingsFileMissing ? "?" : "",
                                            kVersionLabel, zmotla()})));
    session_.RestartTrace();
    UpdateLogMenu();
    if (session_.OpenPort() < 0)
        return;
    QString helpText = ToQString(session_.Settings().helpText);
    helpText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    Label_Help->setText(helpText);
    FocusTerminal();
    SetReceiveDisplay(true);
}

void TForm_main::closeEvent(QCloseEvent *event)
{
    if (session_.TransferRunning()) {
        // The running transfer stops at its next check and closes the window when it ends.
        session_.StopTransfer();
        closeAfterTransfer_ = true;
        event->ignore();
        return;
    }
    FormClose();
    if (helpf)
        helpf->close();
    event->accept();
}

void TForm_main::FormClose()
{
    if (formClosed_)
        return;
    formClosed_ = true;
    idle_.SetHandler({});
    session_.Close();
    SetReceiveDisplay(false);
}

void TForm_main::estafewmillisecondsClick()
{
    Calibrate();
    if (!AskYesNo("Wait 5 seconds?"))
        return;
    DelayMs(5000);
    ShowInfoBox("Finished");
}

void TForm_main::logClick()
{
    UpdateLogMenu();
    if (log->isChecked()) {
        session_.CloseTrace();
    } else {
        const std::string chosen = RunFileDialog(SaveDialogLog, session_.Settings().log);
        if (!chosen.empty())
            session_.Settings().log = chosen;
        session_.RestartTrace();
    }
    UpdateLogMenu();
}

void TForm_main::UpdateLogMenu()
{
    const bool open = session_.TraceIsOpen();
    log->setChecked(open);
    log->setText(open ? ToQString(FormatGuarded("log %s", {session_.Settings().log})) : QString("log"));
}

void TForm_main::clear1Click()
{
    RichEdit_Main->clear();
}

void TForm_main::exit1Click()
{
    close();
}

void TForm_main::helpClick()
{
    if (helpf->shownFlag) {
        helpf->raise();
        helpf->activateWindow();
    } else {
        helpf->show();
    }
}
