// The help window.
#include "thelpf.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include "fonts.h"
#include "window_layout.h"

namespace {

QPlainTextEdit *MakePane(QWidget *page)
{
    auto *pane = new QPlainTextEdit(page);
    pane->setReadOnly(true);
    pane->setUndoRedoEnabled(false);
    pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pane);
    return pane;
}

} // namespace

Thelpf::Thelpf(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName("helpf");
    setWindowTitle(HelpWindowLogic::kCaption);
    setFont(FontOf(FontRole::HelpWindow));
    resize(HelpWindowLogic::kWidth, HelpWindowLogic::kHeight);

    PageControl1 = new QTabWidget(this);
    PageControl1->setFont(FontOf(FontRole::HelpText));
    TabSheet_help = new QWidget;
    RichEdit_TeciFake = MakePane(TabSheet_help);
    TabSheet_ini = new QWidget;
    RichEdit_teci = MakePane(TabSheet_ini);
    PageControl1->addTab(TabSheet_help, QString());
    PageControl1->addTab(TabSheet_ini, QString());

    // Placed by the logic's layout (resizeEvent), as the Win32 window places them.
    Panel_Bottom = new QWidget(this);
    Button_Search = new QPushButton(HelpWindowLogic::kSearchCaption, this);
    Edit1 = new QLineEdit(this);

    connect(Button_Search, &QPushButton::clicked, this, [this] { logic.Button_SearchClick(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { logic.PageControl1Change(); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { logic.Edit1Change(); });
    for (QWidget *w : {static_cast<QWidget *>(PageControl1), static_cast<QWidget *>(RichEdit_TeciFake),
                       static_cast<QWidget *>(RichEdit_teci), static_cast<QWidget *>(Button_Search),
                       static_cast<QWidget *>(Edit1)})
        w->installEventFilter(this);
    logic.FormCreate();
}

void Thelpf::resizeEvent(QResizeEvent *event)
{
    // Qt scales the window's units itself: the logic's sizes are at 96 dpi.
    const HelpWindowLayout l = LayOutHelpWindow(width(), height(), 96);
    const std::pair<QWidget *, Box> parts[] = {{PageControl1, l.tabs},
                                               {Panel_Bottom, {0, l.tabs.Bottom(), width(), height() - l.tabs.Bottom()}},
                                               {Button_Search, l.searchButton},
                                               {Edit1, l.searchBox}};
    for (const auto &[widget, box] : parts)
        widget->setGeometry(box.x, box.y, box.width, box.height);
    QWidget::resizeEvent(event);
}

void Thelpf::SetPaneText(int page, const std::string &text)
{
    Pane(page)->setPlainText(QString::fromStdString(text));
}

void Thelpf::SetTabCaption(int page, const std::string &caption)
{
    PageControl1->setTabText(page, QString::fromStdString(caption));
}

void Thelpf::SetCurrentPage(int page)
{
    PageControl1->setCurrentIndex(page);
}

int Thelpf::CurrentPage() const
{
    return PageControl1->currentIndex();
}

void Thelpf::SelectInPane(int page, size_t from, size_t to)
{
    QPlainTextEdit *pane = Pane(page);
    QTextCursor cursor(pane->document());
    cursor.setPosition(int(from));
    cursor.setPosition(int(to), QTextCursor::KeepAnchor);
    pane->setTextCursor(cursor);
    pane->ensureCursorVisible();
}

void Thelpf::FocusPane(int page)
{
    Pane(page)->setFocus();
}

void Thelpf::FocusSearchBox()
{
    Edit1->setFocus();
}

std::string Thelpf::SearchText() const
{
    return Edit1->text().toStdString();
}

void Thelpf::EnableSearchButton(bool on)
{
    Button_Search->setEnabled(on);
}

void Thelpf::ShowWindow()
{
    show();
}

void Thelpf::RaiseWindow()
{
    raise();
    activateWindow();
}

void Thelpf::closeEvent(QCloseEvent *event)
{
    logic.FormClose();
    event->accept();
}

bool Thelpf::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const HelpWindowLogic::Key pressed = key == Qt::Key_Return || key == Qt::Key_Enter ? HelpWindowLogic::Key::Enter
                                             : key == Qt::Key_F3                            ? HelpWindowLogic::Key::F3
                                                                                            : HelpWindowLogic::Key::Other;
        if (logic.KeyDown(pressed, watched == Edit1))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
