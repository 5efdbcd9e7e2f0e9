// The terminal: received bytes in the pane, the line cap, typed keys, sending and stopping.
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

#include "window_test_support.h"

using namespace zmtest;

namespace {

bool PaneHas(const TForm_main &form, const std::string &text)
{
    return PaneText(form) == text;
}

bool CaretAtEnd(const TForm_main &form)
{
    const auto *pane = Child<TerminalPane>(form, "RichEdit_Main");
    const QScrollBar *bar = pane->verticalScrollBar();
    return pane->textCursor().position() == pane->document()->characterCount() - 1 &&
           bar->value() == bar->maximum();
}

std::string NumberedLines(int from, int to)
{
    std::string text;
    char line[16];
    for (int i = from; i < to; ++i) {
        std::snprintf(line, sizeof line, "%06d\r\n", i);
        text += line;
    }
    return text;
}

// The pane after lines from..to-1 as NumberedLines sends them.
std::string ShownLines(int from, int to)
{
    std::string text;
    char line[24];
    for (int i = from; i < to; ++i) {
        std::snprintf(line, sizeof line, "%s%06d<CR><LF>", i == from ? "" : "\n", i);
        text += line;
    }
    return text;
}

} // namespace

TEST(Terminal, ReceivedBytesShowWithTheirNames)
{
    struct Case {
        std::string received;
        std::string shown;
    } cases[] = {
        {"AB\r\nC", "AB<CR><LF>\nC"},
        {std::string("\0X\0", 3), "X"},
        {"\x06\x15\x1b\x07\x1a\x7f" "Z", "<ACK><NAK><ESC><7><1A>\x7fZ"},
        {"a b", "a b"},
        {"\r\r\n\nZ", "<CR><CR><LF><LF>\nZ"},
        {"\xe9\xff", "\xc3\xa9\xc3\xbf"},
    };
    PtyPeer peer;
    auto form = StartOn(peer);
    ASSERT_TRUE(form->GetSession().IsOpen());
    for (const Case &c : cases) {
        Child<QAction>(*form, "clear1")->trigger();
        peer.Write(c.received);
        EXPECT_TRUE(PumpUntil([&] { return PaneHas(*form, c.shown); }))
            << "received " << c.received << " shows " << PaneText(*form);
    }
}

TEST(Terminal, ClearKeepsThePendingLineBreak)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    peer.Write("X\r\n");
    ASSERT_TRUE(PumpUntil([&] { return PaneHas(*form, "X<CR><LF>"); }));
    Child<QAction>(*form, "clear1")->trigger();
    EXPECT_EQ(PaneText(*form), "");
    peer.Write("Y");
    EXPECT_TRUE(PumpUntil([&] { return PaneHas(*form, "\nY"); })) << PaneText(*form);
}

TEST(Terminal, KeepsTheLast200Lines)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    peer.Write(NumberedLines(0, 250));
    ASSERT_TRUE(PumpUntil([&] { return PaneText(*form).find("000249<CR><LF>") != std::string::npos; }));
    EXPECT_EQ(PaneText(*form), ShownLines(50, 250));
    EXPECT_EQ(Child<TerminalPane>(*form, "RichEdit_Main")->ShownLineCount(), 200);
    EXPECT_TRUE(CaretAtEnd(*form));
}

TEST(Terminal, WrappedLinesCountAndBatchesShowAsSingleBytesWould)
{
    PtyPeer peer;
    auto batched = StartOn(peer);
    auto single = MakeForm({});
    FormProbe::Idle(*single).SetHandler({});

    std::string stream = NumberedLines(0, 190) + "words and more words " + std::string(3000, 'x') + "\r\nend";
    peer.Write(stream);
    ASSERT_TRUE(PumpUntil([&] { return PaneText(*batched).find("\nend") != std::string::npos; }));
    CharNameState named;
    for (unsigned char c : stream)
        if (c)
            FormProbe::ShowEcho(*single, CharName(named, c, false));

    EXPECT_EQ(PaneText(*batched), PaneText(*single));
    EXPECT_EQ(Child<TerminalPane>(*batched, "RichEdit_Main")->ShownLineCount(), 200);
    // The long line is wrapped into many lines, so fewer than 190 short lines are left.
    EXPECT_LT(Child<TerminalPane>(*batched, "RichEdit_Main")->blockCount(), 180);
    EXPECT_NE(PaneText(*batched).find(std::string(3000, 'x') + "<CR><LF>\nend"), std::string::npos);
    EXPECT_TRUE(CaretAtEnd(*batched));
}

TEST(Terminal, AFloodLosesAndReordersNothing)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    const int lines = 30000;
    std::thread writer([&] { peer.Write(NumberedLines(0, lines)); });
    const bool done = PumpUntil([&] { return PaneText(*form).find("029999<CR><LF>") != std::string::npos; }, 120000);
    writer.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(PaneText(*form), ShownLines(lines - 200, lines));
}

TEST(Terminal, TypedKeysAreSentAndPrintableOnesEchoed)
{
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        QString text;
        char sent;
        std::string shown;
    } cases[] = {
        {Qt::Key_A, Qt::NoModifier, "a", 'A', "A"},
        {Qt::Key_Z, Qt::ShiftModifier, "Z", 'Z', "Z"},
        {Qt::Key_1, Qt::NoModifier, "1", '1', "1"},
        {Qt::Key_Space, Qt::NoModifier, " ", ' ', " "},
        {Qt::Key_BraceLeft, Qt::ShiftModifier, "{", '{', "{"},
        {Qt::Key_Return, Qt::NoModifier, "\r", '\r', ""},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", '\r', ""},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", 8, ""},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b", 27, ""},
        {Qt::Key_Tab, Qt::NoModifier, "\t", 9, ""},
        {Qt::Key_A, Qt::ControlModifier, "", 1, ""},
        {Qt::Key_C, Qt::ControlModifier, "", 3, ""},
        {Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier, "", 0, ""},
        {Qt::Key_AsciiCircum, Qt::ControlModifier | Qt::ShiftModifier, "", 30, ""},
        {Qt::Key_Underscore, Qt::ControlModifier | Qt::ShiftModifier, "", 31, ""},
    };
    PtyPeer peer;
    auto form = StartOn(peer);
    for (const Case &c : cases) {
        Child<QAction>(*form, "clear1")->trigger();
        QKeyEvent press(QEvent::KeyPress, c.key, c.mods, c.text);
        QApplication::sendEvent(Child<TerminalPane>(*form, "RichEdit_Main"), &press);
        EXPECT_EQ(peer.Read(1), std::string(1, c.sent)) << "key " << c.key;
        EXPECT_EQ(PaneText(*form), c.shown) << "key " << c.key;
    }
    // Keys that make no byte send nothing.
    QTest::keyClick(Child<TerminalPane>(*form, "RichEdit_Main"), Qt::Key_PageUp);
    QTest::keyClick(Child<TerminalPane>(*form, "RichEdit_Main"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(peer.Read(1, 200), "");
}

TEST(Terminal, UpperCasingCanBeTurnedOff)
{
    PtyPeer peer;
    TempDir dir;
    const std::string ini = dir.Write("zm32.ini", "[zm32]\nupper=0\n");
    auto form = StartOn(peer, {"-i" + ini});
    ASSERT_TRUE(form->GetSession().IsOpen());
    QTest::keyClicks(Child<TerminalPane>(*form, "RichEdit_Main"), "ab");
    EXPECT_EQ(peer.Read(2), "ab");
    EXPECT_EQ(PaneText(*form), "ab");
}

TEST(Terminal, SendingEchoesControlsOnlyWhenAsked)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    form->GetSession().SendString("X\r");
    EXPECT_EQ(peer.Read(2), "X\r");
    EXPECT_EQ(PaneText(*form), "X");
    SessionProbe::SetEchoControls(form->GetSession(), true);
    form->GetSession().SendString("\r\nY");
    EXPECT_EQ(peer.Read(3), "\r\nY");
    EXPECT_EQ(PaneText(*form), "X<CR><LF>\nY");
}

TEST(Terminal, ReceiveDisplayOffLeavesBytesWaiting)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    FormProbe::SetReceiveDisplay(*form, false);
    peer.Write("abc");
    PumpFor(200);
    EXPECT_EQ(PaneText(*form), "");
    FormProbe::SetReceiveDisplay(*form, true);
    EXPECT_TRUE(PumpUntil([&] { return PaneHas(*form, "abc"); }));
}

TEST(Terminal, StopButtonAndSlowClearing)
{
    PtyPeer peer;
    auto form = StartOn(peer);
    FormProbe::SetReceiveDisplay(*form, false);

    // Quiet line: one round.
    peer.Write("junk");
    PumpFor(100);
    SessionProbe::ClearInputSlowly(form->GetSession(), 100);
    EXPECT_TRUE(Child<QLabel>(*form, "Label_Stat")->text().isEmpty());
    EXPECT_TRUE(Child<QPushButton>(*form, "BitBtn_Stop")->isHidden());

    // A line that never falls quiet: rounds go on until Stop.
    std::atomic<bool> talking{true};
    std::thread chatter([&] {
        while (talking) {
            peer.Write("x");
            usleep(10000);
        }
    });
    std::string seen;
    QTimer::singleShot(700, form.get(), [&] {
        seen = Child<QLabel>(*form, "Label_Stat")->text().toStdString();
        EXPECT_TRUE(Child<QPushButton>(*form, "BitBtn_Stop")->isVisible());
        QTest::mouseClick(Child<QPushButton>(*form, "BitBtn_Stop"), Qt::LeftButton);
    });
    SessionProbe::ClearInputSlowly(form->GetSession(), 100);
    talking = false;
    chatter.join();
    EXPECT_EQ(seen.rfind("Clearing input ever so slowly (", 0), 0u) << seen;
    EXPECT_NE(seen, "Clearing input ever so slowly (1); reset the thing to speed this up?");
    EXPECT_FALSE(SessionProbe::StopRequested(form->GetSession()));
    EXPECT_TRUE(Child<QPushButton>(*form, "BitBtn_Stop")->isHidden());
    EXPECT_TRUE(Child<QLabel>(*form, "Label_Stat")->text().isEmpty());
}
