// The terminal's find box, its text saved and logged, timestamps and hex: all off until asked
// for, and no key for the find reaches the programmer.
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <regex>

#include "window_test_support.h"

using namespace zmtest;

namespace {

std::pair<int, int> Selection(const TForm_main &form)
{
    const QTextCursor cursor = Child<TerminalPane>(form, "RichEdit_Main")->textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd()};
}

std::string Status(const TForm_main &form)
{
    return Child<QLabel>(form, "Label_Stat")->text().toStdString();
}

}  // namespace

TEST(PaneTools, FindNextPreviousWrapsAndEscapeGivesTheKeysBack)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    auto *pane = Child<TerminalPane>(*form, "RichEdit_Main");
    peer.Write("AB12 ab12\r\nxab");
    ASSERT_TRUE(PumpUntil([&] { return PaneText(*form) == "AB12 ab12<CR><LF>\nxab"; })) << PaneText(*form);

    // Ctrl+F is a byte for the programmer; Ctrl+Shift+F opens the box.
    QTest::keyClick(pane, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(peer.Read(1), "\x06");
    auto *box = Child<QWidget>(*form, "FindBox_Pane");
    EXPECT_FALSE(box->isVisible());
    QTest::keyClick(pane, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(box->isVisible());
    auto *edit = Child<QLineEdit>(*form, "Edit_Find");
    EXPECT_TRUE(edit->hasFocus() || QApplication::focusWidget() == edit);
    // Typing into the box sends nothing, Escape, F3 and Enter included.
    QTest::keyClicks(edit, "ab");
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::pair<int, int> selection;
        const char *status;
    } steps[] = {
        {Qt::Key_Return, Qt::NoModifier, {0, 2}, ""},
        {Qt::Key_F3, Qt::NoModifier, {5, 7}, ""},
        {Qt::Key_F3, Qt::NoModifier, {19, 21}, ""},
        {Qt::Key_F3, Qt::NoModifier, {0, 2}, "Passed the end; found from the top"},
        {Qt::Key_F3, Qt::ShiftModifier, {19, 21}, "Passed the top; found from the end"},
        {Qt::Key_F3, Qt::ShiftModifier, {5, 7}, ""},
    };
    for (const Step &s : steps) {
        QTest::keyClick(edit, s.key, s.mods);
        EXPECT_EQ(Selection(*form), s.selection) << s.key;
        EXPECT_EQ(Status(*form), s.status) << s.key;
    }
    Child<QCheckBox>(*form, "CheckBox_MatchCase")->setChecked(true);
    QTest::keyClick(edit, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(pane->textCursor().selectedText().toStdString(), "ab");
    EXPECT_EQ(Selection(*form), std::make_pair(19, 21));
    // What arrives meanwhile is shown; the match stays selected.
    peer.Write("more");
    ASSERT_TRUE(PumpUntil([&] { return PaneText(*form).find("more") != std::string::npos; }));
    EXPECT_EQ(Selection(*form), std::make_pair(19, 21));
    EXPECT_EQ(peer.Read(1, 300), "");

    // Escape: the box goes, and keys go to the line again.
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(pane->hasFocus() || QApplication::focusWidget() == pane);
    QTest::keyClick(pane, Qt::Key_V);
    EXPECT_EQ(peer.Read(1), "V");
    // The find item opens the box too.
    Child<QAction>(*form, "find1")->trigger();
    EXPECT_TRUE(box->isVisible());
}

TEST(PaneTools, TimestampsHexSaveAndLog)
{
    TempDir dir;
    const std::string ini = dir.Write("zm32.ini", "[zm32]\ntimestamps=1\n");
    PtyPeer peer;
    auto form = StartOn(peer, {"-i" + ini});
    auto *stamps = Child<QAction>(*form, "timestamps1");
    auto *hex = Child<QAction>(*form, "hexview1");
    EXPECT_TRUE(stamps->isChecked());
    EXPECT_FALSE(hex->isChecked());
    std::string answer;
    form->SetFileDialogAnswer([&](const FileRequest &) { return answer; });

    answer = dir.File("pane.log");
    Child<QAction>(*form, "logpane1")->trigger();
    EXPECT_TRUE(Child<QAction>(*form, "logpane1")->isChecked());
    // Each received line starts with the time; what is typed is not stamped.
    peer.Write("A\r\nB");
    ASSERT_TRUE(PumpUntil([&] { return PaneText(*form).find("B") != std::string::npos; }));
    QTest::keyClick(Child<TerminalPane>(*form, "RichEdit_Main"), Qt::Key_V);
    EXPECT_EQ(peer.Read(1), "V");
    const std::string stamp = R"(\[\d\d:\d\d:\d\d\.\d\d\d\] )";
    EXPECT_TRUE(std::regex_match(PaneText(*form), std::regex(stamp + "A<CR><LF>\n" + stamp + "BV"))) << PaneText(*form);

    // Hex: every byte, typed or received, as two digits; the line it starts is its own.
    stamps->trigger();
    hex->trigger();
    EXPECT_FALSE(stamps->isChecked());
    EXPECT_TRUE(hex->isChecked());
    peer.Write(std::string("\0\r\nZ", 4));
    ASSERT_TRUE(PumpUntil([&] { return PaneText(*form).find("5A") != std::string::npos; })) << PaneText(*form);
    QTest::keyClick(Child<TerminalPane>(*form, "RichEdit_Main"), Qt::Key_V);
    EXPECT_EQ(peer.Read(1), "V");
    ASSERT_TRUE(PumpUntil([&] { return PaneText(*form).find("5A 56") != std::string::npos; })) << PaneText(*form);
    const std::string shown = PaneText(*form);
    EXPECT_EQ(shown.substr(shown.find("BV")), "BV\n00 0D 0A 5A 56");

    // The log has what the pane showed since it began, a line at a time.
    Child<QAction>(*form, "logpane1")->trigger();
    EXPECT_FALSE(Child<QAction>(*form, "logpane1")->isChecked());
    EXPECT_EQ(ReadFile(dir.File("pane.log")), shown);

    // Saved as shown, replacing the file; a folder is not replaced, and the failure is said.
    answer = dir.Write("pane.txt", "old");
    Child<QAction>(*form, "savepane1")->trigger();
    EXPECT_EQ(ReadFile(answer), shown);
    BoxAnswerer boxes;
    answer = dir.Path();
    Child<QAction>(*form, "savepane1")->trigger();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "Couldn't save the pane to " + dir.Path() + ": not a regular file");
    // A log that cannot be opened is said, and the pane goes on without one.
    Child<QAction>(*form, "logpane1")->trigger();
    ASSERT_EQ(boxes.Texts().size(), 2u);
    EXPECT_EQ(boxes.Texts()[1], "Couldn't open " + dir.Path() + " for the pane's log: not a regular file");
    EXPECT_FALSE(Child<QAction>(*form, "logpane1")->isChecked());
}
