#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "terminalpane.h"

#include "key_bytes.h"

namespace {

// Lines the pane shows for one block; lays the block out first if it is not yet.
int BlockLines(QAbstractTextDocumentLayout *layout, const QTextBlock &block)
{
    if (block.layout()->lineCount() == 0)
        layout->blockBoundingRect(block);
    return qMax(1, block.layout()->lineCount());
}

// Deletes shown lines from the top until at most maxLines remain. Counting runs backwards
// from the end, so a long history costs no more than the lines that stay.
void TrimToLines(QTextDocument *doc, int maxLines)
{
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    for (;;) {
        int total = 0;
        QTextBlock block = doc->lastBlock();
        for (; block.isValid(); block = block.previous()) {
            total += BlockLines(layout, block);
            if (total > maxLines)
                break;
        }
        if (!block.isValid())
            return;
        // Everything above `block` goes, and as many of its own top lines as are too many.
        const int excess = total - maxLines;
        const int blockLines = BlockLines(layout, block);
        int end;
        if (excess >= blockLines)
            end = block.next().position();
        else
            end = block.position() + block.layout()->lineAt(excess).textStart();
        QTextCursor cut(doc);
        cut.setPosition(0);
        cut.setPosition(end, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }
}

} // namespace

TerminalPane::TerminalPane(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    // A scroll bar that came and went would change the width, and with it the wrapped lines.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TerminalPane::AppendCapped(const QString &text, bool replace, int maxLines)
{
    QTextDocument *doc = document();
    QTextCursor cursor(doc);
    // The selection moves up by what is cut above it, and does not grow with what comes after.
    if (keepSelection && !replace && textCursor().hasSelection()) {
        const int anchor = textCursor().anchor(), position = textCursor().position();
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
        const int before = doc->characterCount();
        TrimToLines(doc, maxLines);
        const int cut = before - doc->characterCount();
        QTextCursor selection(doc);
        selection.setPosition(qMax(0, anchor - cut));
        selection.setPosition(qMax(0, position - cut), QTextCursor::KeepAnchor);
        setTextCursor(selection);
        return;
    }
    if (replace)
        cursor.select(QTextCursor::Document);
    else
        cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    TrimToLines(doc, maxLines);

    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
    // The caret is at the end: show the very bottom, which ensureCursorVisible can leave a
    // line short of when the pane's height is not a whole number of lines.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

int TerminalPane::ShownLineCount() const
{
    QAbstractTextDocumentLayout *layout = document()->documentLayout();
    int total = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next())
        total += BlockLines(layout, block);
    return total;
}

int TerminalPane::KeyByte(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    KeyKind kind = KeyKind::Character;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        kind = KeyKind::Enter;
        break;
    case Qt::Key_Backspace:
        kind = KeyKind::Backspace;
        break;
    case Qt::Key_Escape:
        kind = KeyKind::Escape;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        kind = KeyKind::Tab;
        break;
    default:
        break;
    }
    const bool ctrl = mods & Qt::ControlModifier;
    char32_t c = 0;
    if (ctrl && key < 0x80) {
        c = char32_t(key);  // Qt's codes of letters and brackets are their ASCII capitals
    } else if (!ctrl && event->text().size() == 1) {
        c = event->text().at(0).unicode();
    } else if (kind == KeyKind::Character) {
        return -1;
    }
    return ::KeyByte(kind, c, ctrl, mods & (Qt::AltModifier | Qt::MetaModifier));
}

FindKey TerminalPane::FindKeyOfEvent(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    return FindKeyOf(key == Qt::Key_F3 ? KeyKind::F3 : KeyKind::Character, key < 0x80 ? char32_t(key) : 0,
                     mods & Qt::ControlModifier, mods & Qt::ShiftModifier, mods & (Qt::AltModifier | Qt::MetaModifier));
}

void TerminalPane::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+C is a byte for the programmer; copying has its own keys and the context menu.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (const FindKey find = FindKeyOfEvent(event); find != FindKey::None) {
        emit FindKeyPressed(int(find));
        return;
    }
    if (IsCopyKey(key == Qt::Key_Insert ? KeyKind::Insert : KeyKind::Character, key < 0x80 ? char32_t(key) : 0,
                  mods & Qt::ControlModifier, mods & Qt::ShiftModifier, mods & (Qt::AltModifier | Qt::MetaModifier))) {
        copy();
        return;
    }
    const int byte = KeyByte(event);
    if (byte < 0) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    emit KeyTyped(static_cast<char>(byte));
    event->accept();
}

bool TerminalPane::focusNextPrevChild(bool)
{
    return false;
}
