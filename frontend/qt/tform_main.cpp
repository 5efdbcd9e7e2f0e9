// The main window: its components and menus, and what it draws for the window's logic.
#include "tform_main.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "filedialog.h"
#include "findbox.h"
#include "fonts.h"
#include "messageboxes.h"
#include "production_panel.h"
#include "settingsdialog.h"
#include "terminalpane.h"
#include "thelpf.h"

TForm_main::TForm_main(const std::vector<std::string> &args, const std::string &programPath,
                       QWidget *parent)
    : QMainWindow(parent), logic_(*this, args, programPath)
{
    setObjectName("Form_main");
    setWindowTitle(MainWindowLogic::kCaption);
    BuildWindow();
    BuildMenus();
    helpf = new Thelpf(this);
    lineBackTimer_ = new QTimer(this);
    lineBackTimer_->setSingleShot(true);
    connect(lineBackTimer_, &QTimer::timeout, this, [this] { logic_.OnTimer(); });
    logic_.FormCreate();
}

// A window destroyed without being closed still gives its port back: the session does.
TForm_main::~TForm_main()
{
    // Its logic refers to this window's: it goes first.
    delete production_;
}

void TForm_main::BuildWindow()
{
    const QFont terminalFont = FontOf(FontRole::Terminal);
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 0);
    outer->setSpacing(0);

    FindBox_Pane = new FindBox(central);
    FindBox_Pane->hide();
    outer->addWidget(FindBox_Pane);

    TabControl_Main = new QWidget(central);
    TabControl_Main->setObjectName("TabControl_Main");
    auto *tabLayout = new QHBoxLayout(TabControl_Main);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    Splitter_Edit_Help = new QSplitter(Qt::Horizontal, TabControl_Main);
    Splitter_Edit_Help->setObjectName("Splitter_Edit_Help");
    RichEdit_Main = new TerminalPane(this);
    connect(RichEdit_Main, &TerminalPane::KeyTyped, this, [this](char key) { logic_.OnKey(key); });
    connect(RichEdit_Main, &TerminalPane::FindKeyPressed, this, [this](int key) {
        if (FindKey(key) == FindKey::Open)
            logic_.OnCommand(CommandId::Find);
        else
            FindFromBox(FindKey(key) == FindKey::Next);
    });
    connect(FindBox_Pane, &FindBox::FindRequested, this, &TForm_main::FindFromBox);
    connect(FindBox_Pane, &FindBox::Closed, this, [this] { logic_.OnFindClosed(); });
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
    Splitter_Edit_Help->setSizes(
        {MainWindowLogic::kWidth - MainWindowLogic::kHelpLabelWidth, MainWindowLogic::kHelpLabelWidth});
    tabLayout->addWidget(Splitter_Edit_Help);
    outer->addWidget(TabControl_Main, 1);

    Panel_Buttons = new QWidget(central);
    Panel_Buttons->setObjectName("Panel_Buttons");
    Panel_Buttons->setFixedHeight(MainWindowLogic::kStatusPanelHeight);
    Label_Stat = new QLabel(Panel_Buttons);
    Label_Stat->setObjectName("Label_Stat");
    Panel_Buttons->setFont(FontOf(FontRole::Controls));
    Label_Stat->setWordWrap(true);
    Label_Note = new QLabel(Panel_Buttons);
    Label_Note->setObjectName("Label_Note");
    Label_Note->setWordWrap(true);
    Label_Note->hide();
    BitBtn_Stop = new QPushButton(style()->standardIcon(QStyle::SP_BrowserStop), MainWindowLogic::kStopCaption,
                                  Panel_Buttons);
    BitBtn_Stop->setObjectName("BitBtn_Stop");
    BitBtn_Stop->setFocusPolicy(Qt::NoFocus);
    BitBtn_Stop->hide();
    ProgressBar_Transfer = new QProgressBar(Panel_Buttons);
    ProgressBar_Transfer->setObjectName("ProgressBar_Transfer");
    ProgressBar_Transfer->setRange(0, 100);
    ProgressBar_Transfer->setAlignment(Qt::AlignCenter);
    ProgressBar_Transfer->hide();
    // Placed by hand, not by a layout: there, every new text of the status line (a count every
    // few bytes of a transfer) laid the whole window out again.
    Panel_Buttons->installEventFilter(this);
    outer->addWidget(Panel_Buttons);
    connect(BitBtn_Stop, &QPushButton::clicked, this, [this] { logic_.OnStop(); });

    setCentralWidget(central);
    resize(MainWindowLogic::kWidth, MainWindowLogic::kHeight);
}

// Qt scales the window's units itself: the logic's sizes are at 96 dpi.
void TForm_main::PlaceStatusPanel()
{
    const StatusRowLayout l = LayOutStatusRow({0, 0, Panel_Buttons->width(), Panel_Buttons->height()}, row_, 96);
    const std::pair<QWidget *, Box> parts[] = {
        {Label_Stat, l.status}, {Label_Note, l.note}, {ProgressBar_Transfer, l.progress}, {BitBtn_Stop, l.stop}};
    for (const auto &[widget, box] : parts) {
        widget->setGeometry(box.x, box.y, box.width, box.height);
        widget->setVisible(box.width > 0);
    }
}

bool TForm_main::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel_Buttons && event->type() == QEvent::Resize)
        PlaceStatusPanel();
    return QMainWindow::eventFilter(watched, event);
}

void TForm_main::BuildMenus()
{
    for (const Menu &menu : MainMenus()) {
        if (menu.items.empty()) {
            QAction *action = menuBar()->addAction(menu.caption);
            action->setObjectName(MenuItemOf(menu.command).name);
            connect(action, &QAction::triggered, this, [this, id = menu.command] { logic_.OnCommand(id); });
            items_[menu.command] = action;
            continue;
        }
        QMenu *bar = menuBar()->addMenu(menu.caption);
        for (const MenuItem &item : menu.items) {
            if (item.separatorBefore)
                bar->addSeparator();
            QAction *action = bar->addAction(item.caption);
            action->setObjectName(item.name);
            action->setCheckable(item.checkable);
            connect(action, &QAction::triggered, this, [this, id = item.id] { logic_.OnCommand(id); });
            items_[item.id] = action;
        }
    }
}

void TForm_main::closeEvent(QCloseEvent *event)
{
    if (!logic_.CloseRequested()) {
        event->ignore();
        return;
    }
    if (production_)
        production_->hide();
    event->accept();
}

void TForm_main::SetCaption(const std::string &text)
{
    setWindowTitle(QString::fromStdString(text));
}

void TForm_main::ShowStatusRow(const StatusRow &row)
{
    const bool moved = !row.SameParts(row_);
    row_ = row;
    Label_Stat->setText(QString::fromStdString(row.status));
    Label_Note->setText(QString::fromStdString(row.note));
    ProgressBar_Transfer->setValue(row.percent);
    ProgressBar_Transfer->setFormat(QString::fromStdString(row.progressText));
    if (moved)
        PlaceStatusPanel();
}

void TForm_main::SetHelpLabel(const std::string &text)
{
    Label_Help->setText(QString::fromStdString(text));
}

void TForm_main::AppendToPane(const std::string &text, bool replace, int maxLines)
{
    RichEdit_Main->AppendCapped(QString::fromStdString(text), replace, maxLines);
}

void TForm_main::ClearPane()
{
    RichEdit_Main->clear();
}

void TForm_main::FocusTerminal()
{
    RichEdit_Main->setFocus();
}

void TForm_main::SetCommandState(CommandId id, bool enabled, bool checked, const std::string &caption)
{
    QAction *item = items_.at(id);
    item->setEnabled(enabled);
    if (item->isCheckable())
        item->setChecked(checked);
    item->setText(QString::fromStdString(caption));
}

bool TForm_main::ShowBox(BoxKind kind, const std::string &title, const std::string &text)
{
    return RunMessageBox(kind, title, text);
}

FileAnswer TForm_main::AskForFile(const FileRequest &request)
{
    return {RunFileDialog(this, request), {}};
}

bool TForm_main::AskSettings(SettingsDialog &dialog)
{
    return RunSettingsDialog(this, dialog);
}

void TForm_main::ShowHelpWindow()
{
    helpf->logic.Open();
}

void TForm_main::CloseHelpWindow()
{
    helpf->close();
}

void TForm_main::FindFromBox(bool forward)
{
    logic_.OnFind(FindBox_Pane->Text().toStdString(), FindBox_Pane->MatchCase(), forward);
}

void TForm_main::ShowFindBox(bool shown)
{
    RichEdit_Main->keepSelection = shown;
    if (shown)
        FindBox_Pane->Open();
    else
        FindBox_Pane->hide();
}

std::string TForm_main::PaneText()
{
    return RichEdit_Main->toPlainText().toStdString();
}

void TForm_main::PaneSelection(size_t &start, size_t &end)
{
    const QTextCursor cursor = RichEdit_Main->textCursor();
    start = size_t(cursor.selectionStart());
    end = size_t(cursor.selectionEnd());
}

void TForm_main::SelectInPane(size_t start, size_t end)
{
    QTextCursor cursor = RichEdit_Main->textCursor();
    cursor.setPosition(int(start));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    RichEdit_Main->setTextCursor(cursor);
    RichEdit_Main->ensureCursorVisible();
}

void TForm_main::StartTimer(int ms)
{
    lineBackTimer_->start(ms);
}

void TForm_main::CloseWindow()
{
    close();
}

void TForm_main::ShowProductionPanel()
{
    if (!production_)
        production_ = new ProductionPanel(logic_, this);
    production_->logic.Open();
}
