// The "log" menu item: its check mark and caption follow the trace log.
#include <QAction>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "window_test_support.h"

using namespace zmtest;

namespace {

struct MenuState {
    bool checked;
    std::string caption;
};

MenuState Menu(const TForm_main &form)
{
    return {Child<QAction>(form, "log")->isChecked(), Child<QAction>(form, "log")->text().toStdString()};
}

void ExpectMenu(const TForm_main &form, bool checked, const std::string &caption)
{
    EXPECT_EQ(Menu(form).checked, checked);
    EXPECT_EQ(Menu(form).caption, caption);
}

} // namespace

TEST(LogMenu, FollowsTheTraceLog)
{
    PtyPeer peer;
    TempDir dir;
    const std::string first = dir.File("first.txt");
    const std::string second = dir.File("second.txt");
    const std::string ini = dir.Write("zm32.ini", "[zm32]\nlog=" + first + "\n");
    auto form = StartOn(peer, {"-i" + ini});
    ASSERT_TRUE(form->GetSession().IsOpen());
    ExpectMenu(*form, true, "log " + first);
    EXPECT_TRUE(std::filesystem::exists(first));

    std::vector<std::string> offered;
    std::string answer;
    form->SetFileDialogAnswer([&](const FileRequest &dialog) {
        offered.push_back(dialog.name);
        return answer;
    });

    // Open: the item closes the log, without asking for a file.
    Child<QAction>(*form, "log")->trigger();
    ExpectMenu(*form, false, "log");
    EXPECT_TRUE(offered.empty());

    // The next traced byte opens the file again; the item does not know yet.
    QTest::keyClick(Child<TerminalPane>(*form, "RichEdit_Main"), Qt::Key_Q);
    peer.Read(1);
    ExpectMenu(*form, false, "log");
    Child<QAction>(*form, "log")->trigger();
    ExpectMenu(*form, false, "log");
    EXPECT_TRUE(offered.empty());

    // Closed: the dialog is offered; cancelling it reopens the log under its old name.
    Child<QAction>(*form, "log")->trigger();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], "SaveDialogLog");
    ExpectMenu(*form, true, "log " + first);

    // Closed again, and a new name chosen.
    Child<QAction>(*form, "log")->trigger();
    answer = second;
    Child<QAction>(*form, "log")->trigger();
    ExpectMenu(*form, true, "log " + second);
    EXPECT_EQ(form->GetSession().Settings().log, second);
    EXPECT_TRUE(std::filesystem::exists(second));
}

TEST(LogMenu, CancelledWithoutALogNameLeavesItOff)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    ExpectMenu(*form, false, "log");
    form->SetFileDialogAnswer([](const FileRequest &) { return std::string(); });
    Child<QAction>(*form, "log")->trigger();
    ExpectMenu(*form, false, "log");
    EXPECT_EQ(form->GetSession().Settings().log, "");
}
