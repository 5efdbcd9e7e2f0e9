// The help window.
#include "thelpf.h"

#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include "format.h"
#include "paths.h"

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
    setWindowTitle("helpf");
    setFont(MonospaceFont("Terminal", 12));
    resize(514, 410);

    PageControl1 = new QTabWidget(this);
    PageControl1->setFont(MonospaceFont("Courier New", 12));
    TabSheet_help = new QWidget;
    RichEdit_TeciFake = MakePane(TabSheet_help);
    TabSheet_ini = new QWidget;
    RichEdit_teci = MakePane(TabSheet_ini);
    PageControl1->addTab(TabSheet_help, "TabSheet_help");
    PageControl1->addTab(TabSheet_ini, "TabSheet_ini");

    Panel_Bottom = new QWidget(this);
    Panel_Bottom->setFixedHeight(33);
    Button_Search = new QPushButton("&Search", Panel_Bottom);
    Button_Search->setEnabled(false);
    Button_Search->setFixedWidth(75);
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

    connect(Button_Search, &QPushButton::clicked, this, [this] { Button_SearchClick(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
    for (QWidget *w : {static_cast<QWidget *>(PageControl1), static_cast<QWidget *>(RichEdit_TeciFake),
                       static_cast<QWidget *>(RichEdit_teci), static_cast<QWidget *>(Button_Search),
                       static_cast<QWidget *>(Edit1)})
        w->installEventFilter(this);
}

std::string Thelpf::HelpFilePath(const std::string &name) const
{
    return helpDir.empty() ? QualifiedInProgramDir(name) : helpDir + "/" + name;
}

QPlainTextEdit *Thelpf::CurrentPane() const
{
    return PageControl1->currentIndex() == 0 ? RichEdit_TeciFake : RichEdit_teci;
}

void Thelpf::LoadTextInto(QPlainTextEdit *pane, const std::string &path)
{
    pane->setPlainText(QString::fromStdString(FormatGuarded("couldn't load %s", {path})));
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    // The files are UTF-8; anything else is shown byte for byte.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        text = QString::fromLatin1(data);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    pane->setPlainText(text);
}

void Thelpf::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window brought back from the task bar is not shown anew.
    if (!event->spontaneous())
        FormShow();
}

void Thelpf::FormShow()
{
    PageControl1->setCurrentIndex(0);
    searchFrom = 0;
    LoadTextInto(RichEdit_TeciFake, HelpFilePath("zm32.txt"));
    PageControl1->setTabText(0, "zm32");
    LoadTextInto(RichEdit_teci, HelpFilePath("zm32ini.txt"));
    PageControl1->setTabText(1, "zm32.ini");
    shownFlag = true;
    Edit1->setFocus();
}

void Thelpf::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void Thelpf::FormClose()
{
    RichEdit_TeciFake->clear();
    RichEdit_teci->clear();
    shownFlag = false;
}

void Thelpf::PageControl1Change()
{
    searchFrom = 0;
}

void Thelpf::Edit1Change()
{
    Button_Search->setEnabled(!Edit1->text().isEmpty());
}

void Thelpf::Button_SearchClick()
{
    QPlainTextEdit *pane = CurrentPane();
    const QString needle = Edit1->text();
    const QString text = pane->toPlainText();
    const int p = searchFrom >= 0 && searchFrom <= text.size()
                      ? int(text.indexOf(needle, searchFrom, Qt::CaseInsensitive))
                      : -1;
    if (p < 0) {
        searchFrom = 0;
    } else {
        // First the text up to 200 characters past the hit comes into view, then the hit.
        QTextCursor cursor(pane->document());
        const int ahead = qMin(p + 200, int(text.size()));
        cursor.setPosition(ahead);
        if (ahead < text.size())
            cursor.setPosition(ahead + 1, QTextCursor::KeepAnchor);
        pane->setTextCursor(cursor);
        pane->ensureCursorVisible();
        cursor.setPosition(p);
        cursor.setPosition(p + int(needle.size()), QTextCursor::KeepAnchor);
        pane->setTextCursor(cursor);
        pane->ensureCursorVisible();
        searchFrom = p + 1;
    }
    pane->setFocus();
}

bool Thelpf::Edit1KeyDown(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    Button_SearchClick();
    return true;
}

bool Thelpf::FormKeyDown(int key)
{
    // F3 searches again from anywhere in the window.
    if (key != Qt::Key_F3)
        return false;
    Button_SearchClick();
    return true;
}

bool Thelpf::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (FormKeyDown(key))
            return true;
        if (watched == Edit1 && Edit1KeyDown(key))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
