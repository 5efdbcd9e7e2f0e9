// The session: start with and without a settings file, a bad command line, a missing port,
// a round trip with the simulated programmer, and closing.
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QLabel>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "promsim_runner.h"
#include "thelpf.h"
#include "window_test_support.h"
#include "zmhwcomm.h"

using namespace zmtest;

namespace {

std::string Caption(const TForm_main &form) { return form.windowTitle().toStdString(); }

std::string Suffix() { return std::string(" (zm32:uhj zmhwcomm.dll:") + zmotla() + ")"; }

bool Canonical(int fd)
{
    termios t{};
    tcgetattr(fd, &t);
    return (t.c_lflag & ICANON) != 0;
}

} // namespace

TEST(Session, StartsWithAndWithoutSettingsFile)
{
    PtyPeer peer;
    TempDir dir;
    const std::string ini = dir.Write("special.ini", "[zm32]\nport=COM" + std::to_string(peer.Number()) +
                                                         "\nhelp=cmds\n[cmds]\nX=\nP=\n");
    const std::string commands = "e(X)am\nIntel\nMotorola\nProgram\nTransfer\nUpload\nVerify";
    struct Case {
        std::vector<std::string> args;
        std::string caption;  // before the versions
        std::string help;
    } cases[] = {
        {{peer.PortArg(), "-i-"}, "-", commands},
        // The file's port wins over the command line's.
        {{"-p98", "-i" + ini}, ini, "X\nP\n"},
        {{peer.PortArg(), "-i" + dir.File("none.ini")}, dir.File("none.ini") + "?", commands},
    };
    for (const Case &c : cases) {
        BoxAnswerer boxes;
        auto form = MakeForm(c.args);
        ASSERT_TRUE(PumpUntil([&] { return form->GetSession().IsOpen(); })) << c.caption;
        EXPECT_EQ(Caption(*form), c.caption + Suffix());
        EXPECT_EQ(Child<QLabel>(*form, "Label_Help")->text().toStdString(), c.help);
        EXPECT_TRUE(boxes.Texts().empty());
        EXPECT_TRUE(Child<TerminalPane>(*form, "RichEdit_Main")->hasFocus() || !form->isActiveWindow());
    }
}

TEST(Session, BadCommandLineClosesWithoutOpeningThePort)
{
    PtyPeer peer;
    ASSERT_TRUE(Canonical(peer.Slave()));
    BoxAnswerer boxes;
    auto form = MakeForm({peer.PortArg(), "-x"});
    ASSERT_TRUE(PumpUntil([&] { return !form->isVisible(); }));
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("Ooops, command-line error. (\"-x\")", 0), 0u) << boxes.Texts()[0];
    EXPECT_FALSE(form->GetSession().IsOpen());
    // The library would have put the line into raw mode.
    EXPECT_TRUE(Canonical(peer.Slave()));
    EXPECT_EQ(Caption(*form), "zm32");
}

TEST(Session, MissingPortLeavesAUsableWindow)
{
    TempDir dir;
    setenv("ZMHW_COM99", dir.File("no-such-tty").c_str(), 1);
    const std::string trace = dir.File("trace.txt");
    const std::string ini = dir.Write("zm32.ini", "[zm32]\nport=99\nlog=" + trace + "\n");
    auto boxes = std::make_unique<BoxAnswerer>();
    auto form = MakeForm({"-i" + ini});
    ASSERT_TRUE(PumpUntil([&] { return !boxes->Texts().empty(); }));
    EXPECT_EQ(boxes->Texts()[0], "Couldn't zmhwOpen (-4)");
    // The box keeps its text; the status line says why, as zmcli's second line does, and
    // where another port is chosen.
    EXPECT_EQ(Child<QLabel>(*form, "Label_Stat")->text().toStdString(),
              "COM99 is " + dir.File("no-such-tty") +
                  " (from ZMHW_COM99): No such device (set ZMHW_COM99 to the programmer's device); the port was set by " +
                  ini + "; choose another port in etc \u2192 settings\u2026");
    EXPECT_FALSE(form->GetSession().IsOpen());
    EXPECT_TRUE(Child<QLabel>(*form, "Label_Help")->text().isEmpty());
    PumpFor(100);
    EXPECT_EQ(boxes->Texts().size(), 1u);
    EXPECT_TRUE(form->isVisible());

    // Nothing happens, so nothing wakes the window.
    boxes.reset();
    int wakes = 0;
    const auto counter = QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                                          [&wakes] { ++wakes; });
    QEventLoop idle;
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
    QObject::disconnect(counter);
    EXPECT_LT(wakes, 10);

    // Typing still goes through the byte layer (it shows in the trace) and the echo.
    QTest::keyClick(Child<TerminalPane>(*form, "RichEdit_Main"), Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(PaneText(*form), "A");
    Child<QAction>(*form, "clear1")->trigger();
    EXPECT_EQ(PaneText(*form), "");
    EXPECT_TRUE(Child<QAction>(*form, "log")->isChecked());
    Child<QAction>(*form, "log")->trigger();
    EXPECT_FALSE(Child<QAction>(*form, "log")->isChecked());
    EXPECT_NE(ReadFile(trace).find("pA"), std::string::npos);
}

TEST(Session, TerminalOnTheSimulatedProgrammer)
{
    PromsimRunner sim;
    ASSERT_FALSE(sim.Path().empty());
    setenv("ZMHW_COM40", sim.Path().c_str(), 1);
    auto form = MakeForm({"-i-", "-p40"});
    ASSERT_TRUE(PumpUntil([&] { return form->GetSession().IsOpen(); }));
    QTest::keyClick(Child<TerminalPane>(*form, "RichEdit_Main"), Qt::Key_Return);
    EXPECT_TRUE(PumpUntil([&] { return PaneText(*form).find("<CR><LF>\n>") != std::string::npos; }))
        << PaneText(*form);
}

TEST(Session, ClosingEndsTheSessionUnlessATransferRuns)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    ASSERT_TRUE(form->GetSession().IsOpen());
    FormProbe::HelpClick(*form);
    ASSERT_TRUE(Child<Thelpf>(*form, "helpf")->isVisible());

    SessionProbe::SetTransferRunning(form->GetSession(), true);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(SessionProbe::StopRequested(form->GetSession()));
    EXPECT_TRUE(FormProbe::CloseAfterTransfer(*form));
    EXPECT_TRUE(form->GetSession().IsOpen());

    SessionProbe::SetTransferRunning(form->GetSession(), false);
    Child<QAction>(*form, "exit1")->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(Child<Thelpf>(*form, "helpf")->isVisible());
    EXPECT_FALSE(form->GetSession().IsOpen());
    EXPECT_FALSE(FormProbe::Idle(*form).HasHandler());
}

TEST(Session, TestAFewMillisecondsAsksFirst)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    {
        BoxAnswerer no(false);
        Child<QAction>(*form, "testafewmilliseconds")->trigger();
        ASSERT_EQ(no.Texts().size(), 1u);
        EXPECT_EQ(no.Texts()[0], "Wait 5 seconds?");
    }
    BoxAnswerer yes(true);
    Child<QAction>(*form, "testafewmilliseconds")->trigger();
    ASSERT_EQ(yes.Texts().size(), 2u);
    EXPECT_EQ(yes.Texts()[1], "Finished");
}
