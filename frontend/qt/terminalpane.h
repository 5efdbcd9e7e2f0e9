// The terminal pane: shows what the programmer sends, and hands every key that makes a byte on.
#pragma once

#include <QPlainTextEdit>

#include "key_bytes.h"

class TerminalPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TerminalPane(QWidget *parent = nullptr);

    // Appends `text` at the end (or replaces the text with it), then deletes lines from the
    // top until at most `maxLines` lines remain as the pane shows them (a wrapped line counts
    // as several); the caret ends at the end of the text, scrolled into view.
    void AppendCapped(const QString &text, bool replace, int maxLines);
    // Lines as the pane shows them now.
    int ShownLineCount() const;
    // The byte a key press makes (Enter 13, Backspace 8, Ctrl+letter 1..26, ...); -1 for none.
    static int KeyByte(const QKeyEvent *event);
    // What a key press does to the find.
    static FindKey FindKeyOfEvent(const QKeyEvent *event);
    // While set (the find box is open), a selection stays where it is as text arrives.
    bool keepSelection = false;

signals:
    // A key that makes a byte for the programmer; the pane itself shows nothing of it.
    void KeyTyped(char byte);
    // A key of the find (key_bytes.h's FindKey); it sends nothing.
    void FindKeyPressed(int key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // Tab is a byte for the programmer, not a focus change.
    bool focusNextPrevChild(bool next) override;
};
