// The help window.
#include "thelpf.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

QFont MonospaceFont(const QString &family, int pixelSize)
{
    QFont font(family);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(pixelSize);
    return font;
}

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
    setFont(MonospaceFont("Terminal", 12));
    resize(HelpWindowLogic::kWidth, HelpWindowLogic::kHeight);

    PageControl1 = new QTabWidget(this);
    PageControl1->setFont(MonospaceFont("Courier New", 12));
    TabSheet_help = new QWidget;
    RichEdit_TeciFake = MakePane(TabSheet_help);
    TabSheet_ini = new QWidget;
    RichEdit_teci = MakePane(TabSheet_ini);
    PageControl1->addTab(TabSheet_help, QString());
    PageControl1->addTab(TabSheet_ini, QString());

    Panel_Bottom = new QWidget(this);
    Panel_Bottom->setFixedHeight(HelpWindowLogic::kSearchPanelHeight);
    Button_Search = new QPushButton(HelpWindowLogic::kSearchCaption, Panel_Bottom);
    Button_Search->setFixedWidth(HelpWindowLogic::kSearchButtonWidth);
    Edit1 = new QLineEdit(Panel_Bottom);
    auto *bottom = new QHBoxLayout(Panel_Bottom);
    bottom->setContentsMargins(24, 4, 3, 4);
    bottom->setSpacing(13);
    bottom->addWidget(Button_Search);
    bottom->addWidget(Edit1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(Panel_Bottom);

    connect(Button_Search, &QPushButton::clicked, this, [this] { logic.Button_SearchClick(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { logic.PageControl1Change(); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { logic.Edit1Change(); });
    for (QWidget *w : {static_cast<QWidget *>(PageControl1), static_cast<QWidget *>(RichEdit_TeciFake),
                       static_cast<QWidget *>(RichEdit_teci), static_cast<QWidget *>(Button_Search),
                       static_cast<QWidget *>(Edit1)})
        w->installEventFilter(this);
    logic.FormCreate();
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
