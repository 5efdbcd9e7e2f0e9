// The window's logic without any window: what every host must show and allow. The session
// runs on a real pseudo-terminal, the transfers against the simulated programmer.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "../session/session_test_support.h"
#include "help_window_logic.h"
#include "key_bytes.h"
#include "paths.h"
#include "production_panel_layout.h"
#include "production_panel_logic.h"
#include "recording_view.h"
#include "scoped_env.h"
#include "window_layout.h"
#include "window_logic_probe.h"
#include "window_text.h"
#include "zmhwcomm.h"

using namespace zmtest;

namespace {

const std::vector<CommandId> kAll{CommandId::DownloadHex, CommandId::UploadBin, CommandId::UploadHex, CommandId::Verify,
                                  CommandId::BlankCheck,  CommandId::Exit,      CommandId::TestDelay, CommandId::Log,
                                  CommandId::Clear,       CommandId::Settings,  CommandId::Help};

struct Window {
    explicit Window(std::vector<std::string> args) : logic(view, std::move(args), std::string(ZM_BIN_DIR) + "/zm32")
    {
        logic.FormCreate();
    }
    bool Start()
    {
        logic.OnIdle();
        return logic.GetSession().IsOpen();
    }
    RecordingView view;
    MainWindowLogic logic;
};

// The production panel's fields as typed; the rest of what it is told is not looked at here.
struct PanelFields : ProductionPanelView {
    std::map<PanelField, std::string> text;
    void ShowPanel() override {}
    std::string FieldText(PanelField field) const override { return text.count(field) ? text.at(field) : ""; }
    void SetFieldText(PanelField field, const std::string &t) override { text[field] = t; }
    void EnableFields(bool) override {}
    void EnableButton(PanelButton, bool) override {}
    void SetCounters(const std::string &) override {}
    void SetResult(const std::string &, const std::string &, PanelVerdict) override {}
    void FocusNextChip() override {}
};

}  // namespace

// Every value is looked at before anything is sent, and the box names the field.
TEST(ProductionPanelLogic, BadValuesAreRefusedBeforeAnythingIsSent)
{
    TempDir dir;
    ScopedEnv env;
    env.Set("XDG_CONFIG_HOME", dir.File("config"));
    const std::string rom = dir.Write("rom.bin", std::string(0x100, '\x55'));
    struct Case {
        PanelField field;
        std::string value;
        std::string said;
    } cases[] = {
        {PanelField::ImageFile, "", "\"Image file\": no file named"},
        {PanelField::ImageFile, dir.File("none.bin"), "\"Image file\": "},
        {PanelField::LogFile, "", "\"Log file\": no file named"},
        {PanelField::SerialAddress, "12G", "\"Serial address (hex)\": \"12G\" is not a hex number"},
        {PanelField::SerialBytes, "9", "\"Serial bytes\": a serial takes 1 to 8 bytes, not 9"},
        {PanelField::SerialStep, "0", "\"Serial step\": a step of 0"},
        {PanelField::NextSerial, "70000", "\"Next serial\": "},
        {PanelField::LastSerial, "5", "\"Last serial\" 5 is below \"Next serial\" 10"},
        {PanelField::SerialFormat, "octal", "\"Serial format\": one of le, be, bcd, dec, hex"},
        {PanelField::Count, "-1", "\"Count\": \"-1\" is not a number"},
        {PanelField::Chip, "2716", ""},
    };
    for (const Case &c : cases) {
        ScriptedPeer peer;
        Window w({peer.PortArg(), "-i-"});
        ASSERT_TRUE(w.Start());
        PanelFields fields;
        ProductionPanelLogic panel(w.logic, fields);
        panel.Open();
        fields.text[PanelField::ImageFile] = rom;
        fields.text[PanelField::LogFile] = dir.File("run.csv");
        fields.text[PanelField::SerialAddress] = "F00";
        fields.text[PanelField::SerialBytes] = "2";
        fields.text[PanelField::NextSerial] = "10";
        fields.text[c.field] = c.value;
        w.view.boxes.clear();
        panel.Start();
        const std::string said = w.view.boxes.empty() ? "" : w.view.boxes[0].text;
        if (c.said.empty()) {
            // A serial past the part the chip names is refused by the run's own check.
            EXPECT_EQ(w.view.boxes.size(), 1u) << c.value << ": " << said;
        } else {
            EXPECT_EQ(said.rfind(c.said, 0), 0u) << c.value << ": " << said;
        }
        EXPECT_FALSE(panel.RunOpen()) << c.value;
        EXPECT_EQ(peer.Finish(), "") << c.value;
        EXPECT_FALSE(std::filesystem::exists(dir.File("run.csv"))) << c.value;
    }
}

TEST(WindowLogic, StartsAtTheFirstIdleMoment)
{
    struct Case {
        const char *name;
        bool iniThere;
        bool portThere;
    } cases[] = {{"settings file and port", true, true}, {"no settings file", false, true}, {"no port", true, false}};
    for (const Case &c : cases) {
        TempDir dir;
        ScriptedPeer peer;
        const std::string ini = dir.File("zm32.ini");
        if (c.iniThere)
            WriteFile(ini, "[zm32]\nbaud=9600\n");
        std::string port = peer.PortArg();
        if (!c.portThere) {
            port = "-p" + std::to_string(NextTransferPort());
            setenv(("ZMHW_COM" + port.substr(2)).c_str(), dir.File("gone").c_str(), 1);
        }
        // Empty arguments never count, whatever the platform hands over.
        Window w({"", port, "", "-i" + ini});
        EXPECT_TRUE(w.view.idleOn) << c.name;  // the start waits for the first idle moment
        EXPECT_EQ(w.Start(), c.portThere) << c.name;
        EXPECT_EQ(w.view.caption, ini + (c.iniThere ? "" : "?") + " (zm32:uhj zmhwcomm.dll:" + zmotla() + ")") << c.name;
        EXPECT_EQ(w.view.commands[CommandId::Log].caption, "log") << c.name;
        if (c.portThere) {
            EXPECT_TRUE(w.view.boxes.empty()) << c.name;
            EXPECT_EQ(w.view.helpLabel, "e(X)am\nIntel\nMotorola\nProgram\nTransfer\nUpload\nVerify") << c.name;
            EXPECT_TRUE(w.view.idleOn) << c.name;
            EXPECT_GE(w.view.idleLine, 0) << c.name;
        } else {
            ASSERT_EQ(w.view.boxes.size(), 1u) << c.name;
            EXPECT_EQ(w.view.boxes[0].title, "Error");
            EXPECT_EQ(w.view.boxes[0].text, "Couldn't zmhwOpen (-4)");
            EXPECT_NE(w.view.status.find(dir.File("gone")), std::string::npos) << w.view.status;
            EXPECT_EQ(w.view.helpLabel, "");
            EXPECT_FALSE(w.view.idleOn);
        }
        // Started once: a later idle moment does not start it again.
        const size_t boxes = w.view.boxes.size();
        w.logic.OnIdle();
        EXPECT_EQ(w.view.boxes.size(), boxes) << c.name;
    }
}

// Each transfer shuts out every command that would start another, busy-wait or open a modal
// dialog, and lets them in again at its end; a close asked for meanwhile stops the transfer
// and closes the window once it has ended.
TEST(WindowLogic, TransfersShutOutTheOtherCommands)
{
    struct Case {
        CommandId command;
        bool closeDuring;
    } cases[] = {{CommandId::DownloadHex, false}, {CommandId::UploadBin, false}, {CommandId::UploadHex, false},
                 {CommandId::DownloadHex, true}};
    for (const Case &c : cases) {
        TempDir dir;
        const std::string hex = dir.Write("in.hex", ":0400000001020304F2\r\n:00000001FF\r\n");
        SimulatedProgrammer programmer({});
        const std::string ini =
            dir.Write("zm32.ini", "[zm32]\nuploadbinbytes=4\nuploadhexstop=10\nlog=" + dir.File("trace.txt") + "\n");
        Window w({programmer.PortArg(), "-i" + ini});
        ASSERT_TRUE(w.Start());
        w.view.files = {c.command == CommandId::DownloadHex ? hex : dir.File("out")};
        std::map<CommandId, bool> during;
        w.view.onEvents = [&] {
            if (!during.empty() || !w.logic.GetSession().TransferRunning())
                return;
            for (CommandId id : kAll)
                during[id] = w.view.commands.count(id) ? w.view.commands[id].enabled : true;
            // Shut-out commands do nothing, even when a host lets them through.
            w.view.pane = "kept";
            for (CommandId id : {CommandId::Log, CommandId::Clear, CommandId::UploadBin})
                w.logic.OnCommand(id);
            EXPECT_EQ(w.view.pane, "kept");
            if (c.closeDuring) {
                EXPECT_FALSE(w.logic.CloseRequested());
            }
        };
        w.logic.OnCommand(c.command);
        const std::map<CommandId, bool> expected{{CommandId::DownloadHex, false}, {CommandId::UploadBin, false},
                                                 {CommandId::UploadHex, false},   {CommandId::Verify, false},
                                                 {CommandId::BlankCheck, false},  {CommandId::Exit, true},
                                                 {CommandId::TestDelay, false},   {CommandId::Log, false},
                                                 {CommandId::Clear, false},       {CommandId::Settings, false},
                                                 {CommandId::Help, true}};
        // The find box is no dialog: it stays open to a running transfer.
        EXPECT_TRUE(EnabledDuringTransfer(CommandId::Find));
        EXPECT_EQ(during, expected) << int(c.command);
        EXPECT_EQ(w.view.asked.size(), 1u) << int(c.command);
        for (CommandId id : kAll)
            EXPECT_TRUE(!w.view.commands.count(id) || w.view.commands[id].enabled) << int(id);
        EXPECT_TRUE(w.view.commands[CommandId::Log].checked);
        EXPECT_EQ(w.view.commands[CommandId::Log].caption, "log " + dir.File("trace.txt"));
        EXPECT_FALSE(w.logic.GetSession().TransferRunning());
        EXPECT_EQ(w.view.closes, c.closeDuring ? 1 : 0) << int(c.command);
        // The bar showed during the transfer (one closed at once has none), and went with it.
        EXPECT_EQ(w.view.progressSeen, !c.closeDuring) << int(c.command);
        EXPECT_FALSE(w.view.progressShown) << int(c.command);
        if (c.closeDuring) {
            EXPECT_TRUE(w.logic.CloseRequested());
            EXPECT_FALSE(w.logic.GetSession().IsOpen());
            EXPECT_EQ(w.view.helpClosed, 1);
        } else {
            EXPECT_TRUE(w.view.idleOn);
        }
    }
}

// OK opens the port again at once with what the dialog says, and keeps it in the user's own
// settings file, every other line of the file in use kept; what cannot be taken is said.
TEST(WindowLogic, SettingsDialogPutsItsSettingsToWork)
{
    struct Case {
        const char *name;
        const char *port;  // "B": the second peer's device; else as typed
        const char *baud;
        std::string box;     // the box said, if any
        bool opensB;
        const char *chip = nullptr;  // chosen in the dialog, which sets the ranges
        const char *bytes = nullptr; // then typed over the part's
    } cases[] = {
        {"another device, another rate", "B", "9600", "", true},
        {"a device that is not there", "/nonexistent/ttyUSB9", "9600", "Couldn't zmhwOpen (-4)", false},
        {"a rate that is no number", "B", "fast", "Baud rate: \"fast\" is not a setting", false},
        {"a part, whose ranges follow it", "B", "9600", "", true, "27c16-45"},
        {"a part, and bytes typed over it", "B", "9600", "", true, "27c16-45", " $10 "},
        {"a part that is not known", "B", "9600", "Chip: \"27C999\" is not a setting", false, "27C999"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        ScriptedPeer a, b([](char c) { return c == 'V' ? std::string("Verify OK") : std::string(); });
        const std::string portA = a.PortArg().substr(2), portB = b.PortArg().substr(2);
        ScopedEnv env;
        const std::string deviceA = std::getenv(("ZMHW_COM" + portA).c_str());
        const std::string deviceB = std::getenv(("ZMHW_COM" + portB).c_str());
        env.Set("ZMHW_COM" + portA);  // [ports] names it, as a user's file would
        env.Set("XDG_CONFIG_HOME", dir.File("config"));
        const std::string ini = dir.Write("zm32.ini", "; mine\n[zm32]\nport=COM" + portA +
                                                           "\nbaud=2400\nupper=1\n[ports]\nCOM" + portA + "=" + deviceA + "\n[other]\nx=y\n");
        Window w({"-i" + ini});
        ASSERT_TRUE(w.Start()) << c.name;
        w.view.answerSettings = [&](SettingsDialog &dialog) {
            dialog.port = std::string(c.port) == "B" ? deviceB : c.port;
            dialog.baud = c.baud;
            if (c.chip) {
                dialog.chip = c.chip;
                SettingsFieldChanged(dialog, SettingsFieldId::Chip);
            }
            if (c.bytes) {
                dialog.uploadBytes = c.bytes;
                SettingsFieldChanged(dialog, SettingsFieldId::UploadBytes);
            }
        };
        w.logic.OnCommand(CommandId::Settings);
        EXPECT_EQ(w.view.settingsAsked.port, deviceA) << c.name;
        EXPECT_EQ(w.view.settingsAsked.baud, "2400") << c.name;
        ASSERT_EQ(w.view.boxes.size(), c.box.empty() ? 0u : 1u) << c.name;
        if (!c.box.empty()) {
            EXPECT_EQ(w.view.boxes[0].text, c.box) << c.name;
        }
        const std::string user = dir.File("config/zmtools/zm32.ini");
        if (c.opensB) {
            EXPECT_TRUE(w.logic.GetSession().IsOpen());
            EXPECT_EQ(w.logic.GetSession().Settings().baud, 9600);
            EXPECT_EQ(w.view.caption.rfind(user + " (zm32:", 0), 0u) << w.view.caption;
            const std::string saved = ReadFile(user);
            std::vector<std::string> lines{"; mine\n", "baud=9600\n", "upper=1\n", "[other]\nx=y\n"};
            if (c.chip) {
                lines.insert(lines.end(), {"chip=2716\n", "uploadbinstart=0\n", c.bytes ? "uploadbinbytes=10\n" : "uploadbinbytes=800\n",
                                           "uploadhexstop=7FF\n"});
                EXPECT_EQ(w.logic.GetSession().Settings().uploadbinbytes, c.bytes ? 0x10 : 0x800);
                EXPECT_EQ(w.view.note, "chip 2716");
            }
            for (const std::string &line : lines)
                EXPECT_NE(saved.find(line), std::string::npos) << line << " in " << saved;
            w.logic.OnKey('v');
            EXPECT_TRUE(w.view.RunUntil(w.logic, [&] { return w.view.pane.find("Verify OK") != std::string::npos; }));
            EXPECT_EQ(b.Received(), "V");
        } else if (c.box.rfind("Couldn't", 0) == 0) {
            EXPECT_FALSE(w.logic.GetSession().IsOpen()) << c.name;
            const std::string hint = "; choose another port in etc \u2192 settings\u2026";
            EXPECT_EQ(w.view.status.substr(w.view.status.size() - hint.size()), hint) << w.view.status;
        } else {
            EXPECT_TRUE(w.logic.GetSession().IsOpen()) << c.name;
            EXPECT_EQ(w.logic.GetSession().Settings().baud, 2400) << c.name;
            EXPECT_FALSE(FileExists(user)) << c.name;
        }
    }
}

// verify against file...: what the file defines, read back; the box says what was found, and
// the next dialog starts in the folder of the last file. Then blank check's box.
TEST(WindowLogic, VerifyAgainstAFile)
{
    TempDir dir;
    std::string memory;
    for (int i = 0; i < 40; ++i)
        memory += char(i * 7);
    std::string changed = memory;
    changed[2] = char(0xAA);
    changed[30] = char(0x55);
    SimulatedProgrammer programmer({"--image", dir.Write("memory.bin", memory)});
    Window w({programmer.PortArg(), "-i-"});
    ASSERT_TRUE(w.Start());
    const struct {
        std::string file;
        BoxKind kind;
        std::string said;
    } cases[] = {
        {"?\xe2\x82\xac.bin", BoxKind::Error,
         "Couldn't use \"\xe2\x82\xac.bin\": the name has characters that this system's code page lacks"},
        {dir.Write("same.bin", memory), BoxKind::Information, "40 bytes equal"},
        {dir.Write("changed.bin", changed), BoxKind::Error,
         "0002: file AA, programmer 0E\n001E: file 55, programmer D2\n"
         "2 not erased? an EPROM cannot turn 0 into 1 by programming; erase it first\n2 of 40 bytes differ"},
    };
    for (const auto &c : cases) {
        w.view.boxes.clear();
        w.view.files = {c.file};
        w.logic.OnCommand(CommandId::Verify);
        ASSERT_EQ(w.view.boxes.size(), 1u) << c.file;
        EXPECT_EQ(int(w.view.boxes[0].kind), int(c.kind));
        EXPECT_EQ(w.view.boxes[0].text, c.said);
    }
    EXPECT_EQ(w.view.asked, (std::vector<std::string>(3, "OpenDialog_Verify")));
    EXPECT_EQ(w.view.lastRequest.directory, dir.Path() + "/");
    // blank check over the upload range: the 40 bytes, none of them FF, before the erased rest.
    w.view.boxes.clear();
    w.logic.OnCommand(CommandId::BlankCheck);
    ASSERT_EQ(w.view.boxes.size(), 1u);
    EXPECT_EQ(int(w.view.boxes[0].kind), int(BoxKind::Error));
    EXPECT_EQ(w.view.boxes[0].text, "not blank: first at 0000 (00), 40 bytes not FF");
}

// The settings file's chip, a part of its own [chips], sets the range upload bin reads; a
// download past its end, or past 16 bits, is refused before anything is sent.
TEST(WindowLogic, TheChipKeySetsTheUploadRange)
{
    TempDir dir;
    std::string memory;
    for (int i = 0; i < 64; ++i)
        memory += char(i * 3 + 1);
    SimulatedProgrammer programmer({"--image", dir.Write("memory.bin", memory)});
    Window w({programmer.PortArg(), "-i" + dir.Write("zm32.ini", "[zm32]\nchip=rom-12\n[chips]\nROM=0x20\n")});
    ASSERT_TRUE(w.Start());
    w.view.files = {dir.File("out.bin")};
    w.logic.OnCommand(CommandId::UploadBin);
    EXPECT_TRUE(ReadFile(dir.File("out.bin")) == memory.substr(0, 0x20));
    EXPECT_EQ(w.view.note.rfind("chip ROM\nsum16 ", 0), 0u) << w.view.note;
    w.view.files = {dir.Write("long.hex", ":01002000558A\n:00000001FF\n")};
    w.logic.OnCommand(CommandId::DownloadHex);
    ASSERT_EQ(w.view.boxes.size(), 1u);
    EXPECT_EQ(w.view.boxes[0].text, "\"" + dir.File("long.hex") + "\" reaches 0020, past the ROM's last address 001F: nothing sent");
    // What zmcli refuses, the window refuses too, in the same words.
    w.view.files = {dir.Write("high.hex", ":020000040001F9\n:0100000055AA\n:00000001FF\n")};
    w.logic.OnCommand(CommandId::DownloadHex);
    ASSERT_EQ(w.view.boxes.size(), 2u);
    EXPECT_EQ(w.view.boxes[1].text,
              "\"" + dir.File("high.hex") + "\" has data at 10000, past FFFF: download sends 16-bit addresses (verify reads any)");
}

TEST(WindowLogic, KeyTable)
{
    struct Case {
        KeyKind kind;
        char32_t c;
        bool ctrl;
        bool alt;
        int byte;
    } keys[] = {
        {KeyKind::Enter, 0, false, false, 13},     {KeyKind::Enter, 0, true, false, 13},
        {KeyKind::Backspace, 0, false, false, 8},  {KeyKind::Escape, 0, false, false, 27},
        {KeyKind::Tab, 0, false, false, 9},        {KeyKind::Character, U'a', false, false, 'a'},
        {KeyKind::Character, U'a', true, false, 1}, {KeyKind::Character, U'Z', true, false, 26},
        {KeyKind::Character, U'[', true, false, 27}, {KeyKind::Character, U'\\', true, false, 28},
        {KeyKind::Character, U']', true, false, 29}, {KeyKind::Character, U'1', true, false, -1},
        {KeyKind::Character, U'x', false, true, -1}, {KeyKind::Character, 0xE9, false, false, 0xE9},
        {KeyKind::Character, 0x20AC, false, false, -1}, {KeyKind::Character, 127, false, false, -1},
        {KeyKind::Character, 3, false, false, -1},  {KeyKind::Other, 0, false, false, -1},
        {KeyKind::Character, U'@', true, false, 0}, {KeyKind::Character, U'^', true, false, 30},
        {KeyKind::Character, U'_', true, false, 31}, {KeyKind::Character, U'`', true, false, -1},
    };
    for (const Case &k : keys)
        EXPECT_EQ(KeyByte(k.kind, k.c, k.ctrl, k.alt), k.byte) << int(k.kind) << " " << unsigned(k.c);
    // Characters as a console or a window's character message brings them.
    const std::pair<char32_t, int> typed[] = {{13, 13}, {3, 3}, {127, 8}, {U'v', 'v'}, {0xFF, 0xFF}, {0x100, -1},
                                              {0, 0}, {30, 30}, {31, 31}};
    for (const auto &[c, byte] : typed)
        EXPECT_EQ(TypedCharByte(c), byte) << unsigned(c);
    // Copy keys, decided once for both windows: kind, character, Ctrl, Shift, Alt, copies.
    const std::tuple<KeyKind, char32_t, bool, bool, bool, bool> copies[] = {
        {KeyKind::Character, U'C', true, true, false, true},  {KeyKind::Character, U'c', true, true, false, true},
        {KeyKind::Insert, 0, true, false, false, true},       {KeyKind::Character, U'C', true, false, false, false},
        {KeyKind::Insert, 0, true, true, false, false},       {KeyKind::Insert, 0, false, false, false, false},
        {KeyKind::Character, U'C', true, true, true, false},
    };
    for (const auto &[kind, c, ctrl, shift, alt, copy] : copies)
        EXPECT_EQ(IsCopyKey(kind, c, ctrl, shift, alt), copy) << int(kind) << " " << unsigned(c) << ctrl << shift;
    EXPECT_EQ(KeyByte(KeyKind::Insert, 0, true, false), -1);
    // The find's keys take Shift, as the copy key does: Ctrl+F alone stays the byte 06.
    const std::tuple<KeyKind, char32_t, bool, bool, bool, FindKey> finds[] = {
        {KeyKind::Character, U'F', true, true, false, FindKey::Open}, {KeyKind::Character, U'f', true, true, false, FindKey::Open},
        {KeyKind::Character, U'F', true, false, false, FindKey::None}, {KeyKind::F3, 0, false, false, false, FindKey::Next},
        {KeyKind::F3, 0, false, true, false, FindKey::Previous},      {KeyKind::F3, 0, false, false, true, FindKey::None},
    };
    for (const auto &[kind, c, ctrl, shift, alt, find] : finds)
        EXPECT_EQ(FindKeyOf(kind, c, ctrl, shift, alt), find) << int(kind) << " " << unsigned(c) << ctrl << shift;
    EXPECT_EQ(KeyByte(KeyKind::Character, U'F', true, false), 6);
    EXPECT_EQ(KeyByte(KeyKind::F3, 0, false, false), -1);
}

// Find from the selection, either way, going on from the other end with a note; the
// note goes with the next find, and nothing of it is sent.
TEST(WindowLogic, FindInThePane)
{
    Window w({"-i-"});
    w.view.pane = "AB12 ab12\nxab";
    struct Step {
        const char *needle;
        bool matchCase, forward;
        size_t start, end;
        const char *status;
    } steps[] = {
        {"ab", false, true, 0, 2, ""},
        {"ab", false, true, 5, 7, ""},
        {"ab", false, true, 11, 13, ""},
        {"ab", false, true, 0, 2, "Passed the end; found from the top"},
        {"ab", false, false, 11, 13, "Passed the top; found from the end"},
        {"ab", false, false, 5, 7, ""},
        {"AB", true, false, 0, 2, ""},
        {"AB", true, true, 0, 2, "Passed the end; found from the top"},
        {"zz", false, true, 0, 2, "\"zz\" not found"},
    };
    for (const Step &s : steps) {
        w.logic.OnFind(s.needle, s.matchCase, s.forward);
        EXPECT_EQ(w.view.selection, std::make_pair(s.start, s.end)) << s.needle << s.forward;
        EXPECT_EQ(w.view.status, s.status) << s.needle << s.forward;
    }
    w.logic.OnCommand(CommandId::Find);
    EXPECT_TRUE(w.view.findShown);
    w.logic.OnFindClosed();
    EXPECT_FALSE(w.view.findShown);
}

TEST(WindowLogic, PaneLineAndTexts)
{
    Window w({"-i-"});
    SessionHost &host = WindowLogicProbe::Host(w.logic);
    // The cap: a batch of its own 250 line breaks replaces the pane with its last 200 lines,
    // the empty one after the last break among them.
    std::string lines, last;
    for (int i = 0; i < 250; ++i)
        lines += "line " + std::to_string(i) + "\n";
    last = lines.substr(lines.find("line 51\n"));
    host.ShowEcho("old");
    host.ShowEcho(lines);
    EXPECT_EQ(w.view.appends.back(), std::make_pair(true, last));
    host.ShowEcho("caf\xe9");  // received bytes are Latin-1
    EXPECT_EQ(w.view.appends.back(), std::make_pair(false, std::string("caf\xc3\xa9")));

    // Texts: UTF-8 kept, other bytes one character each, CR LF one break.
    const std::pair<std::string, std::string> texts[] = {
        {"caf\xc3\xa9.hex", "caf\xc3\xa9.hex"}, {"caf\xe9.hex", "caf\xc3\xa9.hex"}, {"a\r\nb", "a\nb"}, {"", ""}};
    for (const auto &[bytes, shown] : texts)
        EXPECT_EQ(WindowText(bytes), shown) << bytes;
    // As an edit control takes them: one CR LF a break, the positions past the CRs.
    const std::pair<std::u16string, std::u16string> edits[] = {{u"a\nb\n", u"a\r\nb\r\n"}, {u"a\r\r\nb\r", u"a\r\nb\r"}};
    for (const auto &[text, shown] : edits)
        EXPECT_EQ(WithCrLfBreaks(text), shown);
    EXPECT_EQ(CrLfPosition(u"ab\ncd\ne", 4), 5u);
    // The splitter stays under the pointer that drags it; the terminal keeps some width.
    for (int dpi : {96, 144}) {
        EXPECT_TRUE(LayOutMainWindow(800, 600, HelpWidthForSplitterAt(500, 800, dpi), dpi).OnSplitter(500, 100)) << dpi;
        EXPECT_GT(LayOutMainWindow(800, 600, 5000, dpi).terminal.width, 0) << dpi;
        Splitter splitter;
        const int on = splitter.LayOut(800, 600, dpi).helpLabel.x - 1;
        EXPECT_FALSE(splitter.Press(100, 100) || splitter.Move(500) || splitter.Release()) << dpi;
        EXPECT_TRUE(splitter.Press(on, 100) && splitter.Move(500) && splitter.Resizes(0, 0)) << dpi;
        EXPECT_TRUE(splitter.LayOut(800, 600, dpi).OnSplitter(500, 100)) << dpi;
        EXPECT_TRUE(splitter.Release() && !splitter.Move(400)) << dpi;
    }
    // The status row, all of it showing, at zm32.exe's default width: the status line keeps
    // room for two lines of the longest status of a transfer; the note gives way first.
    const StatusRow row{"line 28, addr 01B0", "chip 27C256\nsum16 1A2B", true, 50, "123/456, 0:01 left", true};
    for (int dpi : {96, 144}) {
        const StatusRowLayout l = LayOutStatusRow({0, 400, ScaledPixels(640, dpi), ScaledPixels(40, dpi)}, row, dpi);
        EXPECT_GE(l.status.width, ScaledPixels(260, dpi)) << dpi;
        EXPECT_LT(l.note.width, ScaledPixels(300, dpi)) << dpi;
        EXPECT_GT(l.progress.width, 0) << dpi;
        EXPECT_LE(l.status.Right(), l.note.x) << dpi;
        EXPECT_LE(l.note.Right(), l.progress.x) << dpi;
        EXPECT_LE(l.progress.Right(), l.stop.x) << dpi;
        EXPECT_LE(l.stop.Right(), ScaledPixels(640, dpi)) << dpi;
    }
    // The find box's strip: the check box at the right, the terminal below; a narrow one
    // leaves the text no negative width.
    Box pane{4, 4, 600, 300}, slit{4, 4, 50, 300};
    const FindStripLayout strip = TakeFindStrip(pane, 4, 96);
    EXPECT_EQ(strip.matchCase.Right(), 604);
    EXPECT_EQ(strip.text.Right(), strip.matchCase.x);
    EXPECT_GT(pane.y, strip.text.Bottom());
    EXPECT_EQ(pane.Bottom(), 304);
    EXPECT_EQ(TakeFindStrip(slit, 4, 96).text.width, 0);
    // The production panel: a row under another, inside the width; the buttons and the result below.
    for (int dpi : {96, 144}) {
        const ProductionPanelLayout panel = LayOutProductionPanel(dpi);
        ASSERT_EQ(panel.fields.size(), ProductionPanelLogic::Fields().size());
        ASSERT_EQ(panel.buttons.size(), ProductionPanelLogic::RowButtons().size());
        for (size_t i = 0; i < panel.fields.size(); ++i) {
            const ProductionPanelLayout::FieldRow &r = panel.fields[i];
            EXPECT_LE(r.label.Right(), r.field.x) << i;
            EXPECT_LE(std::max(r.field.Right(), r.browse.Right()), panel.width) << i;
            EXPECT_EQ(r.browse.width > 0, ProductionPanelLogic::Fields()[i].browse) << i;
            EXPECT_TRUE(i == 0 || r.field.y > panel.fields[i - 1].field.y) << i;
        }
        EXPECT_LT(panel.fields.back().field.y + ScaledPixels(24, dpi), panel.buttons[0].y) << dpi;
        EXPECT_LE(panel.buttons.back().Right(), panel.width) << dpi;
        EXPECT_LE(panel.buttons.back().Bottom(), panel.counters.y) << dpi;
        EXPECT_LE(panel.word.Bottom(), panel.detail.y) << dpi;
        EXPECT_LE(panel.detail.Bottom(), panel.height) << dpi;
    }
    const StatusRowLayout narrow = LayOutStatusRow({0, 0, 400, 40}, row, 96);
    EXPECT_EQ(narrow.note.width + narrow.progress.width, 0);
    EXPECT_EQ(LayOutStatusRow({0, 0, 1200, 40}, row, 96).note.width, 300);
    host.ShowStatus("Cannot create file \"/tmp/\xe9t\xe9\"");
    EXPECT_EQ(w.view.status, "Cannot create file \"/tmp/\xc3\xa9t\xc3\xa9\"");

    // The line back is said for a while, unless something else is said meanwhile.
    host.OnLineBack("Line back: COM1");
    EXPECT_EQ(w.view.status, "Line back: COM1");
    EXPECT_EQ(w.view.timerMs, MainWindowLogic::kLineBackShownMs);
    w.logic.OnTimer();
    EXPECT_EQ(w.view.status, "");
    host.OnLineBack("Line back: COM1");
    host.ShowStatus("line 12, addr 00B0");
    w.logic.OnTimer();
    EXPECT_EQ(w.view.status, "line 12, addr 00B0");

    // The progress bar's text: the time left once a second and a hundredth have gone by.
    const struct {
        int64_t done, total, ms;
        const char *text;
    } progress[] = {{0, 100, 0, "0/100"},           {50, 100, 500, "50/100"},
                    {50, 100, 10000, "50/100, 0:10 left"}, {1, 1000, 5000, "1/1000"},
                    {300, 1000, 90000, "300/1000, 3:30 left"}};
    for (const auto &p : progress)
        EXPECT_EQ(MainWindowLogic::ProgressText(p.done, p.total, std::chrono::milliseconds(p.ms)), p.text);

    // A fixed list shows a value it lacks, which OK then names.
    SettingsDialog dialog;
    dialog.dataBits = "9";
    const std::vector<SettingsField> fields = SettingsFields(dialog);
    ASSERT_EQ(fields.size(), 12u);
    EXPECT_EQ(fields[2].choices, (std::vector<std::string>{"5", "6", "7", "8", "9"}));
    EXPECT_EQ(fields[3].choices, dialog.parities);
    // Its rows down the dialog; the check box without a label of its own; OK and Cancel below.
    const SettingsDialogLayout form = LayOutSettingsDialog(fields);
    ASSERT_EQ(form.rows.size(), fields.size());
    for (size_t i = 1; i < fields.size(); ++i) {
        EXPECT_GT(form.rows[i].field.y, form.rows[i - 1].field.y) << i;
        EXPECT_LE(form.rows[i].field.Right(), form.width) << i;
        EXPECT_EQ(form.rows[i].label.width == 0, fields[i].kind == SettingsField::Kind::Check) << i;
    }
    EXPECT_GT(form.ok.y, form.rows.back().field.y);
    EXPECT_LE(form.ok.Right(), form.cancel.x);
    EXPECT_EQ(form.cancel.Right() + 7, form.width);
    EXPECT_EQ(form.ok.Bottom() + 7, form.height);
    ZM32OP op;
    std::string error;
    dialog.baud = "9600", dialog.parity = "none", dialog.stopBits = "1", dialog.flow = "none", dialog.delayMs = "0";
    EXPECT_FALSE(ReadSettingsDialog(dialog, op, error));
    EXPECT_EQ(error, "Data bits: \"9\" is not a setting");

    // The boxes' titles, and a bad format shown as its error text.
    EXPECT_TRUE(w.logic.Box(BoxKind::Confirm, "Wait %d seconds?", {5}));
    w.logic.Box(BoxKind::Error, "%d", {"text"});
    ASSERT_EQ(w.view.boxes.size(), 2u);
    EXPECT_EQ(w.view.boxes[0].title, "Confirm");
    EXPECT_EQ(w.view.boxes[0].text, "Wait 5 seconds?");
    EXPECT_EQ(w.view.boxes[1].title, "Error");
    EXPECT_EQ(w.view.boxes[1].text.rfind("Format() error in program!\n", 0), 0u) << w.view.boxes[1].text;
}

namespace {

class RecordingHelpView : public HelpWindowView {
public:
    std::string pane[2];
    std::string tab[2];
    int page = 0;
    std::pair<size_t, size_t> selected{0, 0};
    std::string search;
    bool searchEnabled = false;
    int shows = 0, raises = 0;

    void SetPaneText(int p, const std::string &text) override { pane[p] = text; }
    void SetTabCaption(int p, const std::string &caption) override { tab[p] = caption; }
    void SetCurrentPage(int p) override { page = p; }
    int CurrentPage() const override { return page; }
    void SelectInPane(int, size_t from, size_t to) override { selected = {from, to}; }
    void FocusPane(int) override {}
    void FocusSearchBox() override {}
    std::string SearchText() const override { return search; }
    void EnableSearchButton(bool on) override { searchEnabled = on; }
    void ShowWindow() override { ++shows; }
    void RaiseWindow() override { ++raises; }
};

}  // namespace

TEST(HelpWindowLogic, FilesTabsAndSearch)
{
    TempDir dir;
    RecordingHelpView view;
    HelpWindowLogic help(view);
    help.helpDir = dir.Path();
    help.FormCreate();
    EXPECT_EQ(view.tab[0], "TabSheet_help");
    EXPECT_EQ(view.tab[1], "TabSheet_ini");
    EXPECT_FALSE(view.searchEnabled);
    help.FormShow();
    EXPECT_EQ(view.pane[0], "couldn't load " + dir.File("zm32.txt"));
    EXPECT_EQ(view.pane[1], "couldn't load " + dir.File("zm32ini.txt"));
    EXPECT_EQ(view.tab[0], "zm32");
    EXPECT_EQ(view.tab[1], "zm32.ini");

    dir.Write("zm32.txt", "x word\r\nWORD and \xc3\xa9word");
    dir.Write("zm32ini.txt", "aaa");
    help.FormShow();
    EXPECT_EQ(view.pane[0], "x word\nWORD and \xc3\xa9word");
    // Each search goes on one past the last hit, without regard to case; none starts over.
    struct Step {
        int page;
        const char *text;
        std::pair<size_t, size_t> selected;
        int32_t next;
    } steps[] = {{0, "word", {2, 6}, 3},  {0, "word", {7, 11}, 8}, {0, "word", {17, 21}, 18},
                 {0, "word", {17, 21}, 0}, {0, "word", {2, 6}, 3},  {1, "aa", {0, 2}, 1},
                 {1, "aa", {1, 3}, 2},     {1, "b", {1, 3}, 0}};
    for (const Step &s : steps) {
        if (view.page != s.page) {
            view.page = s.page;
            help.PageControl1Change();
            EXPECT_EQ(help.searchFrom, 0);
        }
        view.search = s.text;
        EXPECT_TRUE(help.Edit1KeyDown(HelpWindowLogic::Key::Enter));
        EXPECT_EQ(view.selected, s.selected) << s.text << " " << s.next;
        EXPECT_EQ(help.searchFrom, s.next) << s.text;
    }
    EXPECT_FALSE(help.Edit1KeyDown(HelpWindowLogic::Key::F3));
    EXPECT_TRUE(help.FormKeyDown(HelpWindowLogic::Key::F3));
    // F3 anywhere, Enter only in the search box.
    EXPECT_TRUE(help.KeyDown(HelpWindowLogic::Key::F3, false));
    EXPECT_FALSE(help.KeyDown(HelpWindowLogic::Key::Enter, false));
    EXPECT_TRUE(help.KeyDown(HelpWindowLogic::Key::Enter, true));
    EXPECT_FALSE(help.KeyDown(HelpWindowLogic::Key::Other, true));
    view.search = "";
    help.Edit1Change();
    EXPECT_FALSE(view.searchEnabled);

    // Shown: the help command brings it to the front; closed: shows it anew.
    help.Open();
    EXPECT_EQ(view.raises, 1);
    help.FormClose();
    EXPECT_EQ(view.pane[0], "");
    help.Open();
    EXPECT_EQ(view.shows, 1);
    EXPECT_EQ(view.pane[0], "x word\nWORD and \xc3\xa9word");
}
