#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "in_directory.h"
#include "paths.h"
#include "profile.h"
#include "scoped_env.h"
#include "settings.h"
#include "settings_writer.h"

namespace fs = std::filesystem;

namespace {

const std::string kShipped =
    "; System-wide settings\r\n"
    "\r\n"
    "[zm32]\r\n"
    ";port=COM1\r\n"
    ";baud=9600\r\n"
    "\r\n"
    "; The device each port number opens\r\n"
    "[ports]\r\n"
    ";COM1=/dev/serial/by-id/usb-x\r\n";

}  // namespace

TEST(EditProfileText, SetsKeysAndKeepsEveryOtherLine)
{
    struct Case {
        std::string name;
        std::string text;
        std::vector<ProfileEdit> edits;
        std::string expected;
    };
    const Case cases[] = {
        {"the value only, the name's case and blanks kept", "; note\n[ZM32]\n  Baud = 2400  \nodd key=x\n",
         {{"zm32", "baud", "9600"}}, "; note\n[ZM32]\n  Baud = 9600\nodd key=x\n"},
        {"after the section's last entry, before the next section's comment",
         "[zm32]\nport=COM1\nfoo=bar\n\n; ports\n[ports]\nCOM1=/dev/x\n", {{"zm32", "baud", "9600"}},
         "[zm32]\nport=COM1\nfoo=bar\nbaud=9600\n\n; ports\n[ports]\nCOM1=/dev/x\n"},
        {"after its commented-out line, CR LF kept", kShipped,
         {{"zm32", "baud", "19200"}, {"ports", "COM1", "/dev/serial/by-id/usb-y"}},
         "; System-wide settings\r\n\r\n[zm32]\r\n;port=COM1\r\n;baud=9600\r\nbaud=19200\r\n\r\n"
         "; The device each port number opens\r\n[ports]\r\n;COM1=/dev/serial/by-id/usb-x\r\n"
         "COM1=/dev/serial/by-id/usb-y\r\n"},
        {"a missing section at the end, the last line ended", "[zm32]\nbaud=1",
         {{"ports", "COM2", "/dev/ttyUSB0"}}, "[zm32]\nbaud=1\n\n[ports]\nCOM2=/dev/ttyUSB0\n"},
        {"an empty file", "", {{"zm32", "port", "COM3"}}, "[zm32]\nport=COM3\n"},
        {"the entry the reader finds: in the second section of the name",
         "[zm32]\na=1\n[other]\nbaud=5\n[zm32]\nbaud=2\nbaud=3\n", {{"zm32", "baud", "7"}},
         "[zm32]\na=1\n[other]\nbaud=5\n[zm32]\nbaud=7\nbaud=3\n"},
        {"an entry without =", "[zm32]\nbaud\n", {{"zm32", "baud", "300"}}, "[zm32]\nbaud=300\n"},
        {"blanks and quotes of a value kept by quoting", "[zm32]\nlog=a\n",
         {{"zm32", "log", " trace.txt "}, {"zm32", "help", "\"q\""}}, "[zm32]\nlog=\" trace.txt \"\nhelp=\"\"q\"\"\n"},
        {"the byte order mark kept", "\xEF\xBB\xBF[zm32]\nbaud=1\n", {{"zm32", "baud", "2"}},
         "\xEF\xBB\xBF[zm32]\nbaud=2\n"},
        {"lines before the first section kept", "top=1\n[zm32]\n", {{"zm32", "top", "2"}}, "top=1\n[zm32]\ntop=2\n"},
    };
    for (const Case &c : cases) {
        std::string text = c.text;
        std::string error;
        ASSERT_TRUE(EditProfileText(text, c.edits, error)) << c.name << ": " << error;
        EXPECT_EQ(text, c.expected) << c.name;
        const ProfileFile read = ProfileFile::Parse(text);
        for (const ProfileEdit &edit : c.edits)
            EXPECT_EQ(read.Value(edit.section, edit.key).value_or("(none)"), edit.value) << c.name;
    }
}

TEST(EditProfileText, RefusesWhatTheFileCannotHoldAndChangesNothing)
{
    const std::vector<ProfileEdit> bad[] = {
        {{"zm32", "a=b", "1"}},  {{"zm32", "[x", "1"}},      {{"zm32", ";x", "1"}},   {{"zm32", "", "1"}},
        {{"zm]32", "k", "1"}},   {{"zm32", "k", "1\n[x]"}}, {{" zm32", "k", "1"}},   {{"zm32", "k\r", "1"}},
        {{"zm32", "baud", "1"}, {"", "k", "1"}},
    };
    for (const auto &edits : bad) {
        std::string text = "[zm32]\nbaud=2\n";
        std::string error;
        EXPECT_FALSE(EditProfileText(text, edits, error)) << edits.back().key;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(text, "[zm32]\nbaud=2\n");
    }
}

TEST(WriteSettingsFile, CreatesFromTheFileInUseAndReplacesInOneStep)
{
    zmtest::TempDir dir;
    const std::string seed = dir.Write("seed.ini", kShipped);
    const std::string user = dir.File("config/zmtools/zm32.ini");
    std::string error;

    // New: a copy of the file in use with the keys set, in folders made for it.
    ASSERT_TRUE(WriteSettingsFile(user, seed, {{"zm32", "baud", "9600"}}, error)) << error;
    std::string expected = kShipped;
    expected.insert(expected.find(";baud=9600\r\n") + 12, "baud=9600\r\n");
    EXPECT_EQ(zmtest::ReadFile(user), expected);
    EXPECT_EQ(zmtest::ReadFile(seed), kShipped);

    // There: the seed is not read again, the file's rights stay, nothing is left beside it.
    ASSERT_EQ(chmod(user.c_str(), 0640), 0);
    ASSERT_TRUE(WriteSettingsFile(user, dir.File("none.ini"), {{"zm32", "port", "COM2"}}, error)) << error;
    EXPECT_EQ(ProfileFile::Load(user).Value("zm32", "port").value_or(""), "COM2");
    EXPECT_EQ(ProfileFile::Load(user).Value("zm32", "baud").value_or(""), "9600");
    EXPECT_EQ(fs::status(user).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("config/zmtools")), fs::directory_iterator()), 1);

    // A file of the same name as the new one is someone's: it stays, another name is taken.
    dir.Write("config/zmtools/zm32.ini.new", "mine");
    ASSERT_TRUE(WriteSettingsFile(user, "", {{"zm32", "port", "COM3"}}, error)) << error;
    EXPECT_EQ(zmtest::ReadFile(dir.File("config/zmtools/zm32.ini.new")), "mine");
    EXPECT_EQ(ProfileFile::Load(user).Value("zm32", "port").value_or(""), "COM3");

    // A link: the file it leads to is changed, the link stays one.
    const std::string link = dir.File("link.ini");
    fs::create_symlink(user, link);
    ASSERT_TRUE(WriteSettingsFile(link, "", {{"zm32", "port", "COM4"}}, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ProfileFile::Load(user).Value("zm32", "port").value_or(""), "COM4");
}

TEST(WriteSettingsFile, FailuresSaySoAndLoseNothing)
{
    zmtest::TempDir dir;
    const std::string kept = "[zm32]\n; mine\nbaud=1\n";
    const std::string file = dir.Write("zm32.ini", kept);
    dir.Write("plain", "x");
    fs::create_directory(dir.File("folder.ini"));
    fs::create_symlink(dir.File("nowhere"), dir.File("dangling.ini"));
    struct Case {
        std::string path;
        std::vector<ProfileEdit> edits;
        std::string cause;
    } cases[] = {
        {file, {{"zm32", "a=b", "1"}}, "\"a=b\" cannot be stored as a key name"},
        {dir.File("folder.ini"), {{"zm32", "baud", "2"}}, "it is not a regular file"},
        {dir.File("plain/zm32.ini"), {{"zm32", "baud", "2"}}, "its folder cannot be made"},
        {dir.File("dangling.ini"), {{"zm32", "baud", "2"}}, "it is a link to nothing"},
        // A folder where no file can be made: /proc takes none.
        {"/proc/zm32-" + std::to_string(getpid()) + ".ini", {{"zm32", "baud", "2"}}, "a new file beside it cannot be made"},
    };
    for (const Case &c : cases) {
        std::string error;
        EXPECT_FALSE(WriteSettingsFile(c.path, file, c.edits, error)) << c.path;
        EXPECT_EQ(error.rfind("Cannot write the settings file " + c.path + ": " + c.cause, 0), 0u) << error;
        EXPECT_EQ(zmtest::ReadFile(file), kept);
    }
    EXPECT_FALSE(fs::exists(dir.File("nowhere")));

    // A file in use too large to be settings is not copied.
    const std::string huge = dir.Write("huge.ini", "[zm32]\n");
    fs::resize_file(huge, ProfileFile::kMaxBytes + 1);
    std::string error;
    EXPECT_FALSE(WriteSettingsFile(dir.File("new.ini"), huge, {{"zm32", "baud", "2"}}, error));
    EXPECT_EQ(error, "Cannot write the settings file " + dir.File("new.ini") + " from " + huge +
                         ": it is larger than a settings file can be");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 5);
}

// The settings a dialog saves come back from the user's file when started elsewhere.
TEST(SaveUserSettings, SeedsFromTheFileInUseAndIsFoundFromAnotherDirectory)
{
    zmtest::TempDir dir;
    zmtest::ScopedEnv env;
    env.Set("XDG_CONFIG_HOME", dir.File("config"));
    fs::create_directory(dir.File("project"));
    fs::create_directory(dir.File("elsewhere"));
    dir.Write("project/zm32.ini", "; the project's\n[zm32]\nuploadbinbytes=2000\nbaud=1200\n[list]\na\n");

    ZM32OP op;
    SettingsState state;
    {
        const zmtest::InDirectory in(dir.File("project"));
        LoadSettings(op, state, {}, "/opt/zm/zm32");
    }
    op.baud = 57600;
    op.databits = 7;
    op.parity = 'E';
    op.stopbits = 0;
    op.flow = 1;
    op.delayms = 5;
    op.reconnect = false;
    std::vector<ProfileEdit> edits = LineSettingEdits(op, state.settingsSection);
    edits.push_back({"zm32", "port", "COM7"});
    std::string path, error;
    ASSERT_TRUE(SaveUserSettings(state, edits, path, error)) << error;
    EXPECT_EQ(path, dir.File("config/zmtools/zm32.ini"));
    EXPECT_EQ(zmtest::ReadFile(path),
              "; the project's\n[zm32]\nuploadbinbytes=2000\nbaud=57600\ndatabits=7\nparity=even\nstopbits=1\n"
              "flow=ctsrts\ndelayms=5\nreconnect=0\nport=COM7\n[list]\na\n");

    ZM32OP again;
    const zmtest::InDirectory in(dir.File("elsewhere"));
    LoadSettings(again, state, {}, "/opt/zm/zm32");
    EXPECT_EQ(state.settingsPath, path);
    EXPECT_EQ(again.port, 7);
    EXPECT_EQ(again.baud, 57600);
    EXPECT_EQ(again.databits, 7);
    EXPECT_EQ(again.parity, 'E');
    EXPECT_EQ(again.stopbits, 0);
    EXPECT_EQ(again.flow, 1);
    EXPECT_EQ(again.delayms, 5);
    EXPECT_FALSE(again.reconnect);
    EXPECT_EQ(again.uploadbinbytes, 0x2000);

    env.Set("XDG_CONFIG_HOME");
    env.Set("HOME");
    EXPECT_FALSE(SaveUserSettings(state, edits, path, error));
    EXPECT_EQ(error, "Cannot write the user's settings file: neither XDG_CONFIG_HOME nor HOME is set");
}
