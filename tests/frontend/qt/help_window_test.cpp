// The help window: loading its two files, the search, tabs and reloading.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "format.h"
#include "paths.h"
#include "thelpf.h"
#include "window_test_support.h"

using namespace zmtest;

namespace {

struct Selection {
    int start;
    int end;
    bool operator==(const Selection &o) const { return start == o.start && end == o.end; }
};

std::ostream &operator<<(std::ostream &out, const Selection &s)
{
    return out << "[" << s.start << "," << s.end << ")";
}

Selection Selected(const QPlainTextEdit *pane)
{
    return {pane->textCursor().selectionStart(), pane->textCursor().selectionEnd()};
}

std::string Text(const QPlainTextEdit *pane) { return pane->toPlainText().toStdString(); }

// A help window on a folder of our own, shown.
struct ShownHelp {
    explicit ShownHelp(const std::string &helpText, const std::string &iniText = "settings")
    {
        dir.Write("zm32.txt", helpText);
        dir.Write("zm32ini.txt", iniText);
        window.logic.helpDir = dir.Path();
        window.logic.Open();
    }
    void Search(const std::string &text)
    {
        window.Edit1->setText(QString::fromStdString(text));
        window.logic.Button_SearchClick();
    }
    TempDir dir;
    Thelpf window;
};

} // namespace

TEST(HelpWindow, MissingFilesSayWhereTheyWereLookedFor)
{
    Thelpf window;
    window.logic.Open();
    EXPECT_EQ(Text(window.RichEdit_TeciFake), "couldn't load " + ProgramDir() + "/zm32.txt");
    EXPECT_EQ(Text(window.RichEdit_teci), "couldn't load " + ProgramDir() + "/zm32ini.txt");
    EXPECT_TRUE(window.logic.shownFlag);
}

TEST(HelpWindow, ShowsBothFilesOnTheirTabs)
{
    ShownHelp help("first line\r\nsecond line\r\n", "[zm32]\nport=1\n");
    EXPECT_EQ(Text(help.window.RichEdit_TeciFake), "first line\nsecond line\n");
    EXPECT_EQ(Text(help.window.RichEdit_teci), "[zm32]\nport=1\n");
    EXPECT_EQ(help.window.PageControl1->tabText(0).toStdString(), "zm32");
    EXPECT_EQ(help.window.PageControl1->tabText(1).toStdString(), "zm32.ini");
    EXPECT_EQ(help.window.PageControl1->currentIndex(), 0);
    EXPECT_EQ(help.window.windowTitle().toStdString(), "helpf");
}

TEST(HelpWindow, SearchFindsEachHitThenStartsOver)
{
    std::string far;
    for (int i = 0; i < 300; ++i)
        far += "filler line " + std::to_string(i) + "\n";
    const int hit = int(far.size());
    struct Case {
        std::string text;
        std::string needle;
        std::vector<Selection> steps;  // one search each
    } cases[] = {
        // Case-insensitive; after the last hit the selection stays and the next search restarts.
        {"alpha Beta\ngamma BETA delta", "beta", {{6, 10}, {17, 21}, {17, 21}, {6, 10}}},
        // Overlapping hits.
        {"aaa", "aa", {{0, 2}, {1, 3}}},
        // A hit within the last 200 characters, far down.
        {far + "needle", "NEEDLE", {{hit, hit + 6}}},
    };
    for (const Case &c : cases) {
        ShownHelp help(c.text);
        for (const Selection &expected : c.steps) {
            help.Search(c.needle);
            EXPECT_EQ(Selected(help.window.RichEdit_TeciFake), expected) << c.needle;
        }
    }
    ShownHelp help(far + "needle");
    help.Search("needle");
    EXPECT_GT(help.window.RichEdit_TeciFake->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(help.window.RichEdit_TeciFake->hasFocus() || !help.window.isActiveWindow());
}

TEST(HelpWindow, SwitchingTabsSearchesTheOtherPaneFromTheTop)
{
    ShownHelp help("x word word", "word here, word there");
    help.Search("word");
    help.Search("word");
    EXPECT_EQ(help.window.logic.searchFrom, 8);
    help.window.PageControl1->setCurrentIndex(1);
    EXPECT_EQ(help.window.logic.searchFrom, 0);
    help.Search("word");
    EXPECT_EQ(Selected(help.window.RichEdit_teci), (Selection{0, 4}));
}

TEST(HelpWindow, KeysAndTheSearchButton)
{
    ShownHelp help("one two two");
    EXPECT_FALSE(help.window.Button_Search->isEnabled());
    QTest::keyClicks(help.window.Edit1, "t");
    EXPECT_TRUE(help.window.Button_Search->isEnabled());
    QTest::keyClicks(help.window.Edit1, "wo");
    QTest::keyClick(help.window.Edit1, Qt::Key_Return);
    EXPECT_EQ(Selected(help.window.RichEdit_TeciFake), (Selection{4, 7}));
    EXPECT_EQ(help.window.Edit1->text().toStdString(), "two");
    QTest::keyClick(help.window.RichEdit_TeciFake, Qt::Key_F3);
    EXPECT_EQ(Selected(help.window.RichEdit_TeciFake), (Selection{8, 11}));
    QTest::mouseClick(help.window.Button_Search, Qt::LeftButton);
    EXPECT_EQ(help.window.logic.searchFrom, 0);
    help.window.Edit1->clear();
    EXPECT_FALSE(help.window.Button_Search->isEnabled());
}

TEST(HelpWindow, ClosingEmptiesAndShowingReloads)
{
    ShownHelp help("old text");
    help.Search("text");
    help.window.PageControl1->setCurrentIndex(1);
    help.window.close();
    EXPECT_FALSE(help.window.isVisible());
    EXPECT_FALSE(help.window.logic.shownFlag);
    EXPECT_EQ(Text(help.window.RichEdit_TeciFake), "");
    EXPECT_EQ(Text(help.window.RichEdit_teci), "");

    help.dir.Write("zm32.txt", "new text");
    help.window.logic.Open();
    EXPECT_EQ(Text(help.window.RichEdit_TeciFake), "new text");
    EXPECT_EQ(help.window.PageControl1->currentIndex(), 0);
    EXPECT_EQ(help.window.logic.searchFrom, 0);
    if (QTest::qWaitForWindowActive(&help.window, 2000)) {
        EXPECT_TRUE(help.window.Edit1->hasFocus());
    }
}

TEST(HelpWindow, TheHelpMenuShowsOrFocusesIt)
{
    PtyPeer peer;
    TempDir dir;
    dir.Write("zm32.txt", "help text");
    auto form = StartOn(peer);
    Child<Thelpf>(*form, "helpf")->logic.helpDir = dir.Path();
    EXPECT_FALSE(Child<Thelpf>(*form, "helpf")->isVisible());
    Child<QAction>(*form, "help")->trigger();
    ASSERT_TRUE(Child<Thelpf>(*form, "helpf")->isVisible());
    EXPECT_EQ(Text(Child<Thelpf>(*form, "helpf")->RichEdit_TeciFake), "help text");
    Child<Thelpf>(*form, "helpf")->Edit1->setText("help");
    Child<Thelpf>(*form, "helpf")->logic.Button_SearchClick();
    Child<QAction>(*form, "help")->trigger();
    // Already showing: not loaded again, so the search goes on where it was.
    EXPECT_EQ(Child<Thelpf>(*form, "helpf")->logic.searchFrom, 1);
    EXPECT_TRUE(Child<Thelpf>(*form, "helpf")->isVisible());
}
