#include <gtest/gtest.h>

#include <optional>

#include "in_directory.h"
#include "profile.h"

namespace {

TEST(ProfileFile, ReadsLikeProfileFunctions)
{
    const ProfileFile file = ProfileFile::Parse(
        "\xEF\xBB\xBF"
        "top=before any section\r\n"
        "  [ ZM32 ]  \r\n"
        "  Baud  =  19,200  \r\n"
        "baud=9600\n"
        "log=C:\\dir\\trace.txt\r"
        "quoted=\"  a b  \"\n"
        "half=\"open\n"
        "single=\"\n"
        "; port=7\n"
        "=nameless\n"
        "empty=\n"
        "a=b=c\n"
        "\t tabbed\t=\tx\t\n"
        "[other]\n"
        "port=3\n"
        "[zm32]\n"
        "port=4\n"
        "baud=1\n");
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"baud", "19,200"},          // first occurrence wins, blanks dropped, comma kept
        {"BAUD", "19,200"},          // names match in any case
        {"log", "C:\\dir\\trace.txt"},  // backslashes are text; a lone CR ends the line
        {"quoted", "  a b  "},       // matching quotes go, what they hold stays
        {"half", "\"open"},
        {"single", "\""},
        {"port", "4"},               // a later section of the same name counts too
        {"; port", std::nullopt},    // comments are no entries
        {"top", std::nullopt},
        {"empty", ""},
        {"a", "b=c"},
        {"tabbed", "x"},
        {"missing", std::nullopt},
    };
    for (const auto &[key, value] : cases)
        EXPECT_EQ(file.Value("zm32", key), value) << key;
    EXPECT_EQ(file.Value("other", "port"), "3");
    EXPECT_EQ(file.Value("nothing", "port"), std::nullopt);
}

TEST(ProfileFile, EntryNamesInFileOrder)
{
    const ProfileFile file = ProfileFile::Parse(
        "[list]\nX=\n  P  = program\nlone line\nX=again\n[other]\nq=1\n[LIST]\nV=\n[empty]\n");
    EXPECT_EQ(file.EntryNames("list"), (std::vector<std::string>{"X", "P", "lone line", "X", "V"}));
    EXPECT_TRUE(file.EntryNames("empty").empty());
    EXPECT_TRUE(file.EntryNames("none").empty());
    EXPECT_EQ(file.Value("list", "lone line"), "");
}

TEST(ProfileFile, SectionHeadersAsWritten)
{
    const ProfileFile file = ProfileFile::Parse("[unclosed\na=1\n[]\nb=2\n[x] trailing\nc=3\n");
    EXPECT_EQ(file.Value("unclosed", "a"), "1");
    EXPECT_EQ(file.Value("", "b"), "2");
    EXPECT_EQ(file.Value("x", "c"), "3");
}

TEST(ProfileFile, BadFilesReadAsEmpty)
{
    zmtest::TempDir dir;
    std::string junk;
    for (int i = 0; i < 200000; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    zmtest::WriteFile(dir.File("junk.ini"), junk + "\n[zm32]\nport=5\n");
    EXPECT_EQ(ProfileFile::Load(dir.File("junk.ini")).Value("zm32", "port"), "5");

    const std::string longLine(3 << 20, 'v');
    zmtest::WriteFile(dir.File("long.ini"), "[zm32]\nlog=" + longLine + "\nport=6\n[" + longLine);
    const ProfileFile longFile = ProfileFile::Load(dir.File("long.ini"));
    EXPECT_EQ(longFile.Value("zm32", "log"), longLine);
    EXPECT_EQ(longFile.Value("zm32", "port"), "6");

    zmtest::WriteFile(dir.File("nosection.ini"), "port=7\nbaud=1\n");
    EXPECT_EQ(ProfileFile::Load(dir.File("nosection.ini")).Value("zm32", "port"), std::nullopt);

    // A regular file that no one can read, root included.
    EXPECT_EQ(ProfileFile::Load("/proc/self/mem").Value("zm32", "port"), std::nullopt);
    EXPECT_EQ(ProfileFile::Load(dir.Path()).Value("zm32", "port"), std::nullopt);
    EXPECT_EQ(ProfileFile::Load(dir.File("missing.ini")).Value("zm32", "port"), std::nullopt);
    EXPECT_EQ(ProfileFile::Load("/dev/zero").Value("zm32", "port"), std::nullopt);
}

TEST(ProfileFile, ReadsNoMoreThanItsLimit)
{
    zmtest::TempDir dir;
    std::string big = "[zm32]\nport=1\n";
    big += std::string(ProfileFile::kMaxBytes, '#') + "\n[zm32]\nbaud=2\n";
    zmtest::WriteFile(dir.File("big.ini"), big);
    const ProfileFile file = ProfileFile::Load(dir.File("big.ini"));
    EXPECT_EQ(file.Value("zm32", "port"), "1");
    EXPECT_EQ(file.Value("zm32", "baud"), std::nullopt);
}

}  // namespace
