// zmcli term with a pseudo-terminal as its console: typed keys go out by the window's rules,
// received bytes come back as the pane shows them, Ctrl-] or any stop signal ends it and
// restores the console.
#include <regex>
#include <termios.h>

#include "pty_pair.h"
#include "zmcli_support.h"

using namespace zmtest;

namespace {

// Reads the console until `text` has come (true) or `ms` have passed.
bool ReadUntil(int fd, const std::string &text, std::string &seen, int ms = 5000)
{
    for (int waited = 0; waited < ms && seen.find(text) == std::string::npos; waited += 20) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) > 0) {
            char buffer[256];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0)
                seen.append(buffer, size_t(n));
        }
    }
    return seen.find(text) != std::string::npos;
}

bool SameSettings(const termios &a, const termios &b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag;
}

}  // namespace

TEST(ZmcliTerm, KeysGoOutAnswersComeBackAndEveryEndingRestoresTheConsole)
{
    TempDir dir;
    PromsimRunner sim;
    struct Case {
        std::vector<int> signals;  // none: keys, then Ctrl-]; else sent one right after the other
        int status;                // -2: ended by either signal
    } cases[] = {
        {{}, 0},
        {{SIGTERM}, 128 + SIGTERM},
        {{SIGHUP}, 128 + SIGHUP},
        {{SIGINT, SIGINT}, 128 + SIGINT},  // the second may come before the first is acted on
        {{SIGQUIT, SIGTERM}, -2},
    };
    for (const Case &c : cases) {
        PtyPair console;  // zmcli's terminal
        ASSERT_TRUE(console.Opened());
        const int master = console.Master(), slave = console.Slave();
        termios before{};
        tcgetattr(slave, &before);

        const pid_t pid = StartZmcli(sim.Path(), {"term"}, slave, dir.Path());
        ASSERT_GT(pid, 0);
        std::string seen;
        ASSERT_TRUE(ReadUntil(master, "Ctrl-] ends it\r\n", seen)) << seen;
        // The programmer's greeting, as the pane shows it.
        ASSERT_TRUE(ReadUntil(master, "<CR><LF>\r\n>", seen)) << seen;
        if (c.signals.empty()) {
            termios during{};
            tcgetattr(slave, &during);
            EXPECT_EQ(during.c_lflag & (ICANON | ECHO | ISIG), 0u);

            // "v" goes out as "V" and shows; Enter (CR) is sent unshown; the arrow key is not
            // sent; the answer shows control bytes by name, a new line after them.
            seen.clear();
            ASSERT_EQ(write(master, "\033[Av\r", 5), 5);
            EXPECT_TRUE(ReadUntil(master, "Verify OK<CR><LF>\r\n>", seen)) << seen;
            EXPECT_EQ(seen.rfind("V<CR><LF>\r\nVerify OK", 0), 0u) << seen;
            ASSERT_EQ(write(master, "\035", 1), 1);
        }
        for (const int sig : c.signals)
            kill(pid, sig);
        const int status = WaitExit(pid, 5000);
        if (c.status == -2)
            EXPECT_TRUE(status == 128 + SIGQUIT || status == 128 + SIGTERM) << status;
        else
            EXPECT_EQ(status, c.status) << c.signals.size();
        termios after{};
        tcgetattr(slave, &after);
        EXPECT_TRUE(SameSettings(before, after)) << status;
    }
}

TEST(ZmcliTerm, ATransferShowsItsProgressOnATerminalUnlessQuiet)
{
    TempDir dir;
    PromsimRunner sim;
    for (const bool quiet : {false, true}) {
        PtyPair console;  // zmcli's terminal
        ASSERT_TRUE(console.Opened());
        const int master = console.Master(), slave = console.Slave();
        std::vector<std::string> args{"upload-bin", "out.bin", "--bytes", "10"};
        if (quiet)
            args.insert(args.begin(), "--quiet");
        const pid_t pid = StartZmcli(sim.Path(), args, slave, dir.Path());
        ASSERT_GT(pid, 0);
        EXPECT_EQ(WaitExit(pid, 10000), 0);
        std::string seen;
        ReadUntil(master, "s\r\n", seen, 300);
        EXPECT_EQ(seen.find("upload-bin: done, 16 bytes") != std::string::npos, !quiet) << seen;
    }
}

TEST(ZmcliTerm, ALostLineIsSaidOnceAndFoundAgain)
{
    TempDir dir;
    const std::string link = dir.File("prompro");
    // The greeting (CR LF ">") goes out, then the programmer goes away.
    auto sim = std::make_unique<PromsimRunner>(std::vector<std::string>{"--link", link, "--hangup-after", "3"});
    PtyPair console;  // zmcli's terminal
    ASSERT_TRUE(console.Opened());
    const int master = console.Master(), slave = console.Slave();
    const pid_t pid = StartZmcli(link, {"term"}, slave, dir.Path());
    ASSERT_GT(pid, 0);
    std::string seen;
    const std::string name = "COM" + std::to_string(kPort) + " (" + link + ")";
    ASSERT_TRUE(ReadUntil(master, "Line lost: " + name + "; waiting for it to come back\r\n", seen)) << seen;
    // A key while lost goes nowhere and is not shown.
    ASSERT_EQ(write(master, "v", 1), 1);
    sim = std::make_unique<PromsimRunner>(std::vector<std::string>{"--link", link});
    ASSERT_TRUE(ReadUntil(master, "Line back: " + name, seen)) << seen;
    ASSERT_TRUE(ReadUntil(master, "<CR><LF>\r\n>", seen)) << seen;
    // The key's echo would be a "V"; the link's random name may hold one too.
    std::string shown = seen;
    for (size_t at; (at = shown.find(link)) != std::string::npos;)
        shown.erase(at, link.size());
    EXPECT_EQ(shown.find('V'), std::string::npos) << seen;
    EXPECT_EQ(seen.find("Line lost"), seen.rfind("Line lost")) << seen;

    seen.clear();
    ASSERT_EQ(write(master, "v\r", 2), 2);
    EXPECT_TRUE(ReadUntil(master, "Verify OK<CR><LF>\r\n>", seen)) << seen;
    ASSERT_EQ(write(master, "\035", 1), 1);
    EXPECT_EQ(WaitExit(pid, 5000), 0);
}

// What the console shows with each way of showing on, and the same kept in a text file; a log
// that cannot be opened is said, and the terminal goes on without it.
TEST(ZmcliTerm, TimestampsHexAndATextLog)
{
    TempDir dir;
    PromsimRunner sim;
    const std::string stamp = R"(\[\d\d:\d\d:\d\d\.\d\d\d\] )";
    struct Case {
        std::vector<std::string> options;
        std::string shown;  // a pattern of what the console shows after the greeting and "v" CR
    } cases[] = {
        {{"--timestamps", "--log-text", dir.File("stamped.txt")},
         stamp + "<CR><LF>\r\n" + stamp + ">V<CR><LF>\r\n" + stamp + "Verify OK<CR><LF>\r\n" + stamp + ">"},
        {{"--hex", "--log-text", dir.File("hex.txt")},
         "0D 0A 3E 56 0D 0A 56 65 72 69 66 79 20 4F 4B 0D\r\n0A 3E"},
        {{"--log-text", dir.Path()}, "<CR><LF>\r\n>V<CR><LF>\r\nVerify OK<CR><LF>\r\n>"},
    };
    for (const Case &c : cases) {
        PtyPair console;  // zmcli's terminal
        ASSERT_TRUE(console.Opened());
        std::vector<std::string> args{"term"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const pid_t pid = StartZmcli(sim.Path(), args, console.Slave(), dir.Path());
        ASSERT_GT(pid, 0);
        std::string seen;
        // A read may bring the greeting with the banner: what is shown starts after the banner.
        const std::string banner = "Ctrl-] ends it\r\n";
        const size_t begin = ReadUntil(console.Master(), banner, seen) ? seen.find(banner) + banner.size() : 0;
        // The greeting's prompt: ">", in hex 3E. A zmcli that never got there is not left running.
        if (begin == 0 || !ReadUntil(console.Master(), c.options[0] == "--hex" ? "3E" : ">", seen)) {
            ADD_FAILURE() << seen;
            kill(pid, SIGKILL);
            WaitExit(pid, 5000);
            continue;
        }
        ASSERT_EQ(write(console.Master(), "v\r", 2), 2);
        const std::regex shown(c.shown);
        for (int waited = 0; waited < 5000 && !std::regex_search(seen.substr(begin), shown); waited += 100)
            ReadUntil(console.Master(), "\001", seen, 100);
        EXPECT_TRUE(std::regex_search(seen.substr(begin), shown)) << seen;
        ASSERT_EQ(write(console.Master(), "\035", 1), 1);
        EXPECT_EQ(WaitExit(pid, 5000), 0);
        ReadUntil(console.Master(), "\001", seen, 200);  // the line end of the ending
        const std::string log = c.options.back();
        if (log == dir.Path()) {
            EXPECT_NE(seen.find("zmcli: cannot open the text log " + log + ": "), std::string::npos) << seen;
            continue;
        }
        // The log holds what was shown, its line breaks as the platform's.
        std::string expected = seen.substr(begin, seen.size() - begin - 2);
        for (size_t at; (at = expected.find("\r\n")) != std::string::npos;)
            expected.replace(at, 2, "\n");
        EXPECT_EQ(ReadFile(log), expected);
    }
}
