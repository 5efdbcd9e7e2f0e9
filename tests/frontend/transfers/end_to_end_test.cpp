// The whole chain against the simulated programmer: morvel makes a file that the download
// puts into the simulated memory; both uploads give that memory back, the hex one through
// dabrix. Then the simulator's faults: hang-ups (after which the line is found again), stalls
// and garbage on the line.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>

#include "scoped_env.h"
#include "transfer_test_support.h"

using namespace zmtest;

namespace {

std::string Image(size_t size) { return PseudoRandomImage(size); }

const std::vector<std::string> kTimedOut{"Timed out (10000 ms)"};
// The simulator's first record must come after zm32 has cleared the echo of its commands,
// one second after the offset character.
const std::string kUploadDelay = "2000";

// dabrix takes every argument that begins with "/" for an option: names are relative.
int Dabrix(const TempDir &dir, std::vector<std::string> args)
{
    args.insert(args.begin(), BinPath("dabrix"));
    return RunProcess(args, {}, dir.Path()).status;
}

struct WindowSession {
    explicit WindowSession(const std::vector<std::string> &options) : programmer(options)
    {
        form = StartTerminal(programmer.PortArg());
    }
    // Runs one transfer with `path` as the answer of its file dialog.
    void Run(const char *item, const std::string &path)
    {
        DialogAnswers answers{{path}};
        answers.Install(*form);
        Child<QAction>(*form, item)->trigger();
        ExpectTerminalMode(*form);
    }
    SimulatedProgrammer programmer;
    BoxAnswerer boxes;
    std::unique_ptr<TForm_main> form;
};

// After a hang-up during a transfer, the line is said lost once the transfer has ended, and a
// programmer started again on the same link is found within two seconds.
void ExpectFoundAgain(WindowSession &s, const std::string &link, const char *name)
{
    EXPECT_EQ(Child<QLabel>(*s.form, "Label_Stat")->text().toStdString(),
              "Line lost: " + s.programmer.Name() + "; waiting for it to come back") << name;
    s.programmer.Restart({"--link", link});
    EXPECT_TRUE(PumpUntil([&] { return SessionProbe::State(s.form->GetSession()) == ConnectionState::Up; }, 2000)) << name;
}

} // namespace

TEST(EndToEnd, DownloadOfAMorvelFileFillsTheSimulatedMemory)
{
    TempDir dir;
    const std::string image = Image(0x2000);
    dir.Write("image.bin", image);
    // The default end record goes out as written; -0 and -1 write ones the download sends as ":00000001FF".
    for (std::string end : {"", "-1", "-0"}) {
        const std::string memory = dir.File("memory" + end);
        std::vector<std::string> morvel{BinPath("morvel"), dir.File("image.bin"), dir.File("image.hex")};
        if (!end.empty())
            morvel.push_back(end);
        ASSERT_EQ(RunProcess(morvel).status, 0);
        WindowSession s({"--size", "2000", "--save", memory});
        s.Run("DownloadHex", dir.File("image.hex"));
        EXPECT_TRUE(PumpUntil([&] { return ReadFile(memory) == image; })) << end;
        EXPECT_TRUE(s.boxes.Texts().empty()) << end;
        // The programmer's report was discarded; the final CR brings its prompt.
        EXPECT_TRUE(PumpUntil([&] { return PaneText(*s.form).find(">") != std::string::npos; }));
    }
}

TEST(EndToEnd, UploadBinGivesTheSimulatedMemory)
{
    TempDir dir;
    const std::string image = Image(0x2000);
    WindowSession s({"--size", "2000", "--image", dir.Write("image.bin", image)});
    s.form->GetSession().Settings().uploadbinbytes = 0x2000;
    s.Run("uploadbin1", dir.File("all.bin"));
    EXPECT_TRUE(ReadFile(dir.File("all.bin")) == image);
    s.form->GetSession().Settings().uploadbinstart = 0x1FF0;
    s.form->GetSession().Settings().uploadbinbytes = 0x10;
    s.Run("uploadbin1", dir.File("end.bin"));
    EXPECT_TRUE(ReadFile(dir.File("end.bin")) == image.substr(0x1FF0));
    EXPECT_TRUE(s.boxes.Texts().empty());
}

// The chip chosen in the settings dialog sets the ranges it shows: upload bin then reads the
// whole part, its sums beside the status line, and blank check answers for the part.
TEST(EndToEnd, TheChipChosenInTheSettingsIsReadWhole)
{
    TempDir dir;
    ScopedEnv env;
    env.Set("XDG_CONFIG_HOME", dir.File("config"));
    const std::string image = Image(0x1000);
    WindowSession s({"--size", "1000", "--image", dir.Write("image.bin", image)});
    std::vector<std::string> ranges;
    QTimer::singleShot(0, [&] {
        auto *dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog && Field<QComboBox>(dialog, "Chip"));
        Field<QComboBox>(dialog, "Chip")->setCurrentText("2716");
        for (const char *name : {"Upload start (hex)", "Upload bytes (hex)", "Hex upload stop (hex)"})
            ranges.push_back(Field<QLineEdit>(dialog, name) ? Field<QLineEdit>(dialog, name)->text().toStdString() : "");
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    Child<QAction>(*s.form, "settings1")->trigger();
    EXPECT_EQ(ranges, (std::vector<std::string>{"0", "800", "7FF"}));
    s.Run("uploadbin1", dir.File("chip.bin"));
    EXPECT_TRUE(ReadFile(dir.File("chip.bin")) == image.substr(0, 0x800));
    const std::string note = Child<QLabel>(*s.form, "Label_Note")->text().toStdString();
    EXPECT_EQ(note.rfind("chip 2716\nsum16 ", 0), 0u) << note;
    EXPECT_NE(note.find(", whole 2716 (2048 bytes, gaps FF)"), std::string::npos) << note;
    s.Run("blank1", "");
    ASSERT_EQ(s.boxes.Texts().size(), 1u);
    EXPECT_EQ(s.boxes.Texts()[0].rfind("not blank: first at 0000 (", 0), 0u) << s.boxes.Texts()[0];
}

TEST(EndToEnd, UploadHexConvertsBackToTheSimulatedMemory)
{
    TempDir dir;
    const std::string image = Image(0x2000);
    WindowSession s({"--size", "2000", "--upload-delay", kUploadDelay, "--image", dir.Write("image.bin", image)});
    s.form->GetSession().Settings().uploadhexstop = 0xFFFF;
    s.Run("uploadhex", dir.File("all.hex"));
    EXPECT_EQ(s.boxes.Texts(), kTimedOut);
    ASSERT_EQ(Dabrix(dir, {"all.hex", "all.bin"}), 0);
    EXPECT_TRUE(ReadFile(dir.File("all.bin")) == image) << ReadFile(dir.File("all.hex")).size() << " characters received";

    // Offset 1 starts at 1000; a stop address of 1400 ends after the record at 1410.
    s.form->GetSession().Settings().uploadoffset = "1";
    s.form->GetSession().Settings().uploadhexstop = 0x1400;
    s.Run("uploadhex", dir.File("part.hex"));
    ASSERT_EQ(Dabrix(dir, {"-o1000", "part.hex", "part.bin"}), 0);
    EXPECT_TRUE(ReadFile(dir.File("part.bin")) == image.substr(0x1000, 0x420));
    EXPECT_EQ(s.boxes.Texts(), kTimedOut);
}

TEST(EndToEnd, FaultsOfTheProgrammerEndTheUploadsWithTheBytesSoFar)
{
    const std::string image = Image(0x400);
    // Sent before the data: the prompt when the line opens, and for "I" another prompt.
    const int prompt = 3;
    const int record = 44;   // ":10", address, "00", 32 digits, checksum, CR
    const int shown = 9;     // CR LF, 4 address digits, "=", 2 digits
    struct Case {
        const char *name;
        const char *item;
        std::vector<std::string> faults;
        std::vector<std::string> boxes;
        size_t kept;  // bytes for upload bin, records for upload hex
    } cases[] = {
        {"bin: hang-up before an =", "uploadbin1",
         {"--hangup-after", std::to_string(prompt + 1 + 4 * shown + 6)}, {"missing \"=\"; sorry"}, 4},
        {"bin: hang-up after an =", "uploadbin1",
         {"--hangup-after", std::to_string(prompt + 1 + 4 * shown + 7)}, {"bad hex byte"}, 4},
        {"bin: stall after an =", "uploadbin1",
         {"--stall-after", std::to_string(prompt + 1 + 2 * shown + 7)}, {"bad hex byte"}, 2},
        {"bin: garbage", "uploadbin1", {"--garbage"}, {"missing space"}, 0},
        {"bin: silent", "uploadbin1", {"--silent"}, {"missing space"}, 0},
        {"hex: hang-up in a record", "uploadhex",
         {"--hangup-after", std::to_string(2 * prompt + 5 * record + 10)}, {"getchar error -4"}, 5},
        {"hex: stall in a record", "uploadhex",
         {"--stall-after", std::to_string(2 * prompt + 3 * record + 10)}, kTimedOut, 3},
        {"hex: garbage", "uploadhex", {"--garbage"}, kTimedOut, 0},
    };
    TempDir dir;
    dir.Write("image.bin", image);
    const std::string link = dir.File("line");
    for (const Case &c : cases) {
        std::vector<std::string> options{"--size", "400", "--upload-delay", kUploadDelay, "--image",
                                         dir.File("image.bin"), "--link", link};
        options.insert(options.end(), c.faults.begin(), c.faults.end());
        WindowSession s(options);
        s.form->GetSession().Settings().uploadhexstop = 0xFFFF;
        const std::string path = dir.File("out");
        s.Run(c.item, path);
        EXPECT_EQ(s.boxes.Texts(), c.boxes) << c.name;
        const std::string file = ReadFile(path);
        if (std::string(c.item) == "uploadbin1") {
            EXPECT_EQ(file, image.substr(0, c.kept)) << c.name;
        } else {
            // Whole records of 43 characters, each with CR LF.
            EXPECT_EQ(file.size(), c.kept * (record + 1)) << c.name;
            ASSERT_EQ(Dabrix(dir, {"out", "out.bin"}), 0);
            if (c.kept) {
                EXPECT_EQ(ReadFile(dir.File("out.bin")), image.substr(0, c.kept * 16)) << c.name;
            }
        }
        if (c.faults.front() == "--hangup-after")
            ExpectFoundAgain(s, link, c.name);
    }
}

TEST(EndToEnd, HangUpDuringADownloadIsReported)
{
    TempDir dir;
    dir.Write("image.bin", Image(0x400));
    ASSERT_EQ(RunProcess({BinPath("morvel"), dir.File("image.bin"), dir.File("image.hex"), "-1"}).status, 0);
    // The line goes 0.5 s after the prompt that answers "I"; the paced download still runs.
    WindowSession s({"--size", "400", "--hangup-after", "6", "--link", dir.File("line")});
    s.form->GetSession().Settings().delayms = 1;
    s.Run("DownloadHex", dir.File("image.hex"));
    EXPECT_EQ(s.boxes.Texts(), std::vector<std::string>{"Couldn't send to the programmer (-4)"});
    ExpectFoundAgain(s, dir.File("line"), "download");
}
