#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "in_directory.h"
#include "format.h"
#include "numbers.h"
#include "paths.h"
#include "text.h"

namespace {

const std::string kErrorHead = "Format() error in program!\r\nError:\r\n";

TEST(FormatGuarded, FillsPlaceholders)
{
    struct Case {
        std::string format;
        FormatArgs args;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", {}, "plain"},
        {"%d|%s|%x", {-12, "ab", 255}, "-12|ab|FF"},
        {"%x", {-1}, "FFFFFFFF"},
        {"%x", {INT32_MIN}, "80000000"},
        {"%d", {INT32_MIN}, "-2147483648"},
        {"%*x", {4, 0x12}, "  12"},
        {"%*d", {3, 12345}, "12345"},
        {"%5s|%-5s|", {"ab", "cd"}, "   ab|cd   |"},
        {"%*s|", {-3, "a"}, "a  |"},
        {"%.3d %.4x %.2s", {7, 0xA, "abcdef"}, "007 000A ab"},
        {"100%% %D%X%S", {1, 0xb, "c"}, "100% 1Bc"},
        {"%s", {std::string("a\0b", 3)}, std::string("a\0b", 3)},
        {"%s%%", {"%d"}, "%d%"},
        {"[%s][%d][%x]", {"", 0, 0}, "[][0][0]"},  // no width pads nothing
        {"%.s|%.0d|%.*s", {"ab", 0, -1, "cd"}, "|0|cd"},
        {"%d", {1, 2, 3}, "1"},  // arguments left over are no error
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatGuarded(c.format, c.args), c.expected) << c.format;
}

TEST(FormatGuarded, ReportsEveryBadFormatInTheText)
{
    struct Case {
        std::string format;
        FormatArgs args;
        std::string problem;  // part of the error line
    };
    const Case cases[] = {
        {"%d", {"text"}, "placeholder \"%d\" at position 1 needs a number, but argument 1 is a text"},
        {"a%s", {5}, "placeholder \"%s\" at position 2 needs a text, but argument 1 is a number"},
        {"%d %d", {1}, "placeholder \"%d\" at position 4 has no argument left (1 given)"},
        {"%*x", {"w", 1}, "takes its width from an argument that is a text"},
        {"%q", {1}, "placeholder \"%q\" at position 1 is not one of %s, %d and %x"},
        {"%1:s", {"a"}, "is not one of"},
        {"50%", {}, "the format ends inside the placeholder at position 3"},
        {"%-", {}, "ends inside"},
        {"%*d", {INT32_MAX, 1}, "asks for a field wider than 10000"},
        {"%*d", {INT32_MIN, 1}, "asks for a field wider than 10000"},
        {"%99999999999999999999d", {1}, "asks for a field wider than 10000"},
        {"%.*s", {20000, "a"}, "asks for a field wider than 10000"},
    };
    for (const Case &c : cases) {
        const std::string text = FormatGuarded(c.format, c.args);
        EXPECT_EQ(text.rfind(kErrorHead, 0), 0u) << c.format;
        EXPECT_NE(text.find(c.problem), std::string::npos) << c.format << " gave " << text;
        const std::string tail = "\r\nFormat:\r\n" + c.format;
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
}

TEST(FormatGuarded, ErrorTextLayout)
{
    EXPECT_EQ(FormatGuarded("%d", {"x"}),
              kErrorHead + "placeholder \"%d\" at position 1 needs a number, but argument 1 is a text" +
                  "\r\nFormat:\r\n%d");
}

TEST(ParseDecimal, LenientRules)
{
    const std::pair<std::string, int32_t> cases[] = {
        {"19,200", 19200}, {" 12 ", 12}, {"1-2", -12}, {"--5", -5}, {"12a3", 12}, {"abc", 0},
        {"", 0}, {",,,7", 7}, {"2147483647", INT32_MAX}, {"2147483648", INT32_MIN},
        {"4294967297", 1}, {"-2147483648", INT32_MIN}, {"9\t1", 9}, {"+5", 0},
    };
    for (const auto &[text, value] : cases)
        EXPECT_EQ(ParseDecimal(text), value) << text;
}

TEST(ParseHex, LenientRules)
{
    const std::pair<std::string, int32_t> cases[] = {
        {"7fff", 0x7FFF}, {"7FfF", 0x7FFF}, {"1G", 1}, {"$10", 0}, {"0x10", 0}, {"", 0},
        {"123456789", 0x23456789}, {"FFFFFFFF", -1}, {"80000000", INT32_MIN}, {" 1", 0},
    };
    for (const auto &[text, value] : cases)
        EXPECT_EQ(ParseHex(text), value) << text;
}

TEST(HexPadded, PadsWithZeros)
{
    EXPECT_EQ(HexPadded(0x12, 4), "0012");
    EXPECT_EQ(HexPadded(0, 4), "0000");
    EXPECT_EQ(HexPadded(0x12345, 4), "12345");
    EXPECT_EQ(HexPadded(-1, 4), "FFFFFFFF");
    EXPECT_EQ(HexPadded(0xab, 2), "AB");
    EXPECT_EQ(HexPadded(5, 0), "5");
    EXPECT_EQ(HexPadded(5, -4), "5");
    EXPECT_EQ(HexPadded(5, INT_MAX), std::string(kMaxFieldWidth - 1, '0') + "5");
}

TEST(UpcaseLetter, OnlyLowerCaseLetters)
{
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        UpcaseLetter(c);
        const char expected = b >= 'a' && b <= 'z' ? static_cast<char>(b - 32) : static_cast<char>(b);
        EXPECT_EQ(c, expected) << b;
    }
}

TEST(Paths, BareNamesOnly)
{
    const std::pair<std::string, bool> cases[] = {
        {"trace.txt", true}, {"", false}, {"sub/trace.txt", false}, {"/trace.txt", false},
        {"C:trace.txt", true}, {"a\\b", true}, {".", true},
    };
    for (const auto &[name, bare] : cases)
        EXPECT_EQ(IsBareName(name), bare) << name;
}

TEST(Paths, QualifyInCurrentDir)
{
    zmtest::TempDir dir;
    const std::string cwd = std::filesystem::canonical(dir.Path()).string();
    const zmtest::InDirectory in(dir.Path());
    const std::pair<std::string, std::string> cases[] = {
        {"trace.txt", cwd + "/trace.txt"}, {"sub/trace.txt", "sub/trace.txt"},
        {"/x/trace.txt", "/x/trace.txt"}, {"", ""},
    };
    for (const auto &[name, expected] : cases) {
        std::string qualified = name;
        QualifyInCurrentDir(qualified);
        EXPECT_EQ(qualified, expected);
    }
}

TEST(Paths, RootDirectoryIsNotDoubled)
{
    const zmtest::InDirectory in("/");
    std::string name = "trace.txt";
    QualifyInCurrentDir(name);
    EXPECT_EQ(name, "/trace.txt");
}

TEST(Paths, ProgramDirIsTheTestProgramsFolder)
{
    const std::string dir = ProgramDir();
    EXPECT_EQ(dir, std::filesystem::canonical("/proc/self/exe").parent_path().string());
    EXPECT_NE(dir.back(), '/');
    EXPECT_EQ(QualifiedInProgramDir("zm32.txt"), dir + "/zm32.txt");
    EXPECT_EQ(QualifiedInProgramDir("a/zm32.txt"), "a/zm32.txt");
    std::string name = "x.ini";
    QualifyInProgramDir(name);
    EXPECT_EQ(name, dir + "/x.ini");
}

TEST(Paths, FileExistsOnlyForFiles)
{
    zmtest::TempDir dir;
    zmtest::WriteFile(dir.File("f"), "x");
    std::filesystem::create_symlink(dir.File("f"), dir.File("link"));
    EXPECT_TRUE(FileExists(dir.File("f")));
    EXPECT_TRUE(FileExists(dir.File("link")));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir.File("missing")));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace
