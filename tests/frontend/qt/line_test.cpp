// The line lost and found in terminal mode, against promsim on a link: a programmer that goes
// away is said once on the status line, keys typed meanwhile go nowhere, and one started again
// on the same link is found within two seconds, unless reconnect=0.
#include <QLabel>
#include <QTest>

#include "../session/session_test_support.h"
#include "window_test_support.h"

using namespace zmtest;

namespace {

// The main window, keeping what its status line was told of the line.
class LineWatchingForm : public TForm_main {
public:
    using TForm_main::TForm_main;
    void ShowStatusRow(const StatusRow &row) override
    {
        if (row.status != last && row.status.rfind("Line ", 0) == 0)
            said.push_back(row.status);
        last = row.status;
        TForm_main::ShowStatusRow(row);
    }
    std::vector<std::string> said;
    std::string last;
};

std::string Status(const TForm_main &form) { return Child<QLabel>(form, "Label_Stat")->text().toStdString(); }

// Prompts in the pane: a ">" at the start of a line.
size_t Prompts(const TForm_main &form)
{
    const std::string pane = PaneText(form);
    size_t n = 0;
    for (size_t at = pane.find("\n>"); at != std::string::npos; at = pane.find("\n>", at + 1))
        ++n;
    return n;
}

const std::string kSeparator = "\r\n-----------------------";
const std::string kPrompt = "<CR><LF>\r\n>";

} // namespace

TEST(Line, LostInTerminalModeAndFoundAgain)
{
    for (const bool reconnect : {true, false}) {
        TempDir dir;
        const std::string link = dir.File("prompro7");
        const std::string trace = dir.File("trace.txt");
        // The greeting and the prompt for one Enter, then the line goes.
        SimulatedProgrammer programmer({"--link", link, "--hangup-after", "6"});
        const std::string ini = dir.Write("zm32.ini", "[zm32]\nport=" + std::to_string(programmer.number) +
                                                          "\nlog=" + trace + "\nreconnect=" + (reconnect ? "1" : "0"));
        BoxAnswerer boxes;
        LineWatchingForm form({"-i" + ini}, ZmPath());
        form.resize(680, 440);
        form.show();
        ASSERT_TRUE(PumpUntil([&] { return Prompts(form) == 1; })) << reconnect;
        QTest::keyClick(Child<TerminalPane>(form, "RichEdit_Main"), Qt::Key_Return);
        const std::string lost = "Line lost: " + programmer.Name() +
                                 (reconnect ? "; waiting for it to come back" : "; restart to reconnect (reconnect=0)");
        ASSERT_TRUE(PumpUntil([&] { return Status(form) == lost; })) << Status(form);
        EXPECT_EQ(Prompts(form), 2u);
        const std::string pane = PaneText(form);
        QTest::keyClick(Child<TerminalPane>(form, "RichEdit_Main"), Qt::Key_V);
        EXPECT_EQ(PaneText(form), pane) << reconnect;

        programmer.Restart({"--link", link});
        EXPECT_EQ(PumpUntil([&] { return SessionProbe::State(form.GetSession()) == ConnectionState::Up; }, 2000), reconnect);
        std::vector<std::string> said{lost};
        std::string traced = kSeparator + "\r\n" + kSeparator + "\r\ng" + kPrompt + "\r\np<CR>\r\ng" + kPrompt;
        if (reconnect) {
            EXPECT_EQ(Status(form), "Line back: " + programmer.Name());
            said.push_back(Status(form));
            // The new programmer's greeting, then Enter works again.
            EXPECT_TRUE(PumpUntil([&] { return Prompts(form) == 3; }));
            QTest::keyClick(Child<TerminalPane>(form, "RichEdit_Main"), Qt::Key_Return);
            EXPECT_TRUE(PumpUntil([&] { return Prompts(form) == 4; }));
            traced += kPrompt + "\r\np<CR>\r\ng" + kPrompt;
        } else {
            EXPECT_EQ(Status(form), lost);
        }
        EXPECT_EQ(form.said, said);
        EXPECT_TRUE(boxes.Texts().empty());
        // The trace log goes on as if the programmer had been there all along; "V" never went out.
        form.close();
        EXPECT_EQ(ReadFile(trace), traced + "\r\n") << reconnect;
    }
}
