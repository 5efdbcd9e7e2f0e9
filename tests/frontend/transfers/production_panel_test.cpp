// The production panel against promsim's fresh and bad chips: three chips with a serial, their
// counters, PASS, the log's lines and the serial in each chip and in the programmer's memory; a
// bad chip's FAIL, the skip of its number, and a run again on its log going on above it; a value
// that does not fit, refused before anything is sent.
#include <QComboBox>
#include <QLineEdit>

#include "production_panel.h"
#include "scoped_env.h"
#include "transfer_test_support.h"

using namespace zmtest;

namespace {

struct PanelRun {
    explicit PanelRun(const std::vector<std::string> &options) : programmer(options)
    {
        env.Set("XDG_CONFIG_HOME", dir.File("config"));
        form = StartTerminal(programmer.PortArg());
        Child<QAction>(*form, "production1")->trigger();
        panel = form->findChild<ProductionPanel *>();
    }
    void Set(const char *label, const std::string &text)
    {
        if (auto *edit = Field<QLineEdit>(panel, label))
            edit->setText(QString::fromStdString(text));
        else
            Field<QComboBox>(panel, label)->setCurrentText(QString::fromStdString(text));
    }
    QPushButton *Button(const char *caption)
    {
        for (QPushButton *b : panel->findChildren<QPushButton *>())
            if (b->text() == caption)
                return b;
        return nullptr;
    }
    std::string Text(const char *name) { return Child<QLabel>(*panel, name)->text().toStdString(); }
    std::vector<std::string> LogLines()
    {
        std::vector<std::string> lines;
        std::string text = ReadFile(dir.File("run.csv")), line;
        for (char c : text)
            if (c == '\n')
                lines.push_back(std::exchange(line, {}));
            else
                line += c;
        return lines;
    }

    TempDir dir;
    ScopedEnv env;
    SimulatedProgrammer programmer;
    BoxAnswerer boxes;
    std::unique_ptr<TForm_main> form;
    ProductionPanel *panel = nullptr;
};

std::vector<std::string> Options(const TempDir &dir, std::vector<std::string> more)
{
    std::filesystem::create_directory(dir.File("chips"));
    more.insert(more.end(), {"--fresh-chips", "--size", "400", "--save", dir.File("memory.bin"), "--save-chips",
                             dir.File("chips")});
    return more;
}

}  // namespace

TEST(ProductionPanel, ThreeChipsWithASerial)
{
    TempDir images;
    PanelRun s(Options(images, {}));
    ASSERT_TRUE(s.panel && s.panel->isVisible());
    for (const char *label : {"Image file", "Chip", "Serial address (hex)", "Serial bytes", "Serial format",
                              "Next serial", "Serial step", "Last serial", "Log file", "Count"})
        EXPECT_TRUE(Field<QWidget>(s.panel, label)) << label;
    const std::string image = PseudoRandomImage(0x400);
    s.Set("Image file", s.dir.Write("rom.bin", image));
    s.Set("Serial address (hex)", "3F0");
    s.Set("Serial format", "be");
    s.Set("Serial bytes", "2");
    s.Set("Next serial", "41");
    s.Set("Log file", s.dir.File("run.csv"));
    EXPECT_FALSE(s.Button("Next chip")->isEnabled());
    s.Button("Start")->click();
    ASSERT_TRUE(s.boxes.Texts().empty()) << s.boxes.Texts()[0];
    ASSERT_TRUE(s.Button("Next chip")->isEnabled());
    EXPECT_TRUE(s.Button("Next chip")->isDefault());
    EXPECT_FALSE(Child<QAction>(*s.form, "uploadbin1")->isEnabled());
    for (int chip = 1; chip <= 3; ++chip) {
        s.Button("Next chip")->click();
        EXPECT_EQ(s.Text("Label_Result"), "PASS") << chip;
        EXPECT_EQ(s.Text("Label_Counters"),
                  "passed " + std::to_string(chip) + ", failed 0; serial given last " + std::to_string(40 + chip));
    }
    EXPECT_EQ(Field<QLineEdit>(s.panel, "Next serial")->text(), "44");
    // The pane shows the programmer's answers as they came.
    EXPECT_NE(PaneText(*s.form).find("Verify"), std::string::npos);
    s.Button("End")->click();
    EXPECT_TRUE(Child<QAction>(*s.form, "uploadbin1")->isEnabled());
    EXPECT_TRUE(Field<QLineEdit>(s.panel, "Image file")->isEnabled());
    // Each chip: started, then pass, its serial's bytes beside it.
    const std::vector<std::string> lines = s.LogLines();
    ASSERT_EQ(lines.size(), 7u);
    for (int chip = 1; chip <= 3; ++chip) {
        const std::string hex = chip == 1 ? "0029" : chip == 2 ? "002A" : "002B";
        EXPECT_NE(lines[size_t(2 * chip - 1)].find("," + std::to_string(40 + chip) + "," + hex + ","), std::string::npos)
            << lines[size_t(2 * chip - 1)];
        EXPECT_NE(lines[size_t(2 * chip - 1)].find(",started,"), std::string::npos);
        EXPECT_NE(lines[size_t(2 * chip)].find(",pass,"), std::string::npos) << lines[size_t(2 * chip)];
        // The chip as its "P" left it: the image with that serial at its address.
        std::string expected = image;
        expected[0x3F0] = char(std::stoi(hex.substr(0, 2), nullptr, 16));
        expected[0x3F1] = char(std::stoi(hex.substr(2, 2), nullptr, 16));
        EXPECT_TRUE(ReadFile(images.File("chips/chip-" + std::to_string(chip) + ".bin")) == expected) << chip;
    }
    // The last serial is in the programmer's memory at its address (each one was read back
    // there through "X" before its "P").
    s.programmer.sim->Stop();
    const std::string memory = ReadFile(images.File("memory.bin"));
    ASSERT_EQ(memory.size(), 0x400u);
    EXPECT_EQ(memory.substr(0x3F0, 2), std::string("\x00\x2B", 2));
    // The values are kept for the next run, in a section of their own.
    const std::string kept = ReadFile(s.dir.File("config/zmtools/zm32.ini"));
    EXPECT_NE(kept.find("[production]"), std::string::npos) << kept;
    EXPECT_NE(kept.find("serialnext=44"), std::string::npos) << kept;
}

TEST(ProductionPanel, ABadChipFailsAndItsNumberIsSkipped)
{
    TempDir images;
    PanelRun s(Options(images, {"--bad-chips", "2"}));
    s.Set("Image file", s.dir.Write("rom.bin", PseudoRandomImage(0x400)));
    s.Set("Serial address (hex)", "10");
    s.Set("Log file", s.dir.File("run.csv"));
    s.Button("Start")->click();
    ASSERT_TRUE(s.Button("Next chip")->isEnabled());
    s.Button("Next chip")->click();
    EXPECT_EQ(s.Text("Label_Result"), "PASS");
    s.Button("Next chip")->click();
    EXPECT_EQ(s.Text("Label_Result"), "FAIL");
    // With the programmer's answer.
    EXPECT_NE(s.Text("Label_ResultDetail").find("failed"), std::string::npos) << s.Text("Label_ResultDetail");
    s.Button("Next chip")->click();
    EXPECT_EQ(s.Text("Label_Result"), "PASS");
    EXPECT_EQ(s.Text("Label_Counters"), "passed 2, failed 1; serial given last 3");
    // A run started again on the same log goes on above its highest serial, and says so.
    s.Button("End")->click();
    s.Set("Next serial", "1");
    s.Button("Start")->click();
    EXPECT_EQ(Field<QLineEdit>(s.panel, "Next serial")->text(), "4");
    EXPECT_NE(s.Text("Label_ResultDetail").find("after 3"), std::string::npos) << s.Text("Label_ResultDetail");
}

TEST(ProductionPanel, ASerialThatDoesNotFitIsRefusedBeforeAnythingIsSent)
{
    PtyPeer peer;
    TempDir dir;
    ScopedEnv env;
    env.Set("XDG_CONFIG_HOME", dir.File("config"));
    BoxAnswerer boxes;
    auto form = StartOn(peer);
    Child<QAction>(*form, "production1")->trigger();
    auto *panel = form->findChild<ProductionPanel *>();
    ASSERT_TRUE(panel);
    Field<QLineEdit>(panel, "Image file")->setText(QString::fromStdString(dir.Write("rom.bin", "\x01\x02")));
    Field<QLineEdit>(panel, "Serial address (hex)")->setText("0");
    Field<QLineEdit>(panel, "Serial bytes")->setText("1");
    Field<QLineEdit>(panel, "Next serial")->setText("300");
    Field<QLineEdit>(panel, "Log file")->setText(QString::fromStdString(dir.File("run.csv")));
    for (QPushButton *b : panel->findChildren<QPushButton *>())
        if (b->text() == "Start")
            b->click();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("300"), std::string::npos) << boxes.Texts()[0];
    EXPECT_EQ(peer.Read(1, 300), "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("run.csv")));
}

// Stop during a chip's "P" records it as stopped; closing the window during a run asks first.
TEST(ProductionPanel, StopEndsAChipAndClosingAsksFirst)
{
    TempDir images;
    PanelRun s(Options(images, {"--program-time", "1500"}));
    s.Set("Image file", s.dir.Write("rom.bin", PseudoRandomImage(0x400)));
    s.Set("Log file", s.dir.File("run.csv"));
    s.Button("Start")->click();
    ASSERT_TRUE(s.Button("Next chip")->isEnabled());
    QTimer::singleShot(300, [&] {
        EXPECT_TRUE(s.Button("Stop")->isEnabled());
        EXPECT_FALSE(Child<QAction>(*s.form, "settings1")->isEnabled());
        EXPECT_FALSE(Child<QAction>(*s.form, "exit1")->isEnabled());
        s.Button("Stop")->click();
    });
    s.Button("Next chip")->click();
    EXPECT_EQ(s.Text("Label_Result"), "stopped");
    EXPECT_TRUE(Child<QAction>(*s.form, "exit1")->isEnabled());
    const std::vector<std::string> lines = s.LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[2].find(",stopped,"), std::string::npos) << lines[2];
    {
        BoxAnswerer no(false);
        s.form->close();
        ASSERT_EQ(no.Texts().size(), 1u);
        EXPECT_EQ(no.Texts()[0], "A run of chips is under way. End it and close?");
        EXPECT_TRUE(s.form->isVisible());
    }
    BoxAnswerer yes(true);
    s.form->close();
    EXPECT_FALSE(s.form->isVisible());
    EXPECT_FALSE(s.panel->isVisible());
}
