// Start, options, peers coming and going, saving, linking and tracing.
#include <gtest/gtest.h>

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>

#include "session.h"

namespace zmtest {
namespace {

std::vector<std::string> DirEntries(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

TEST(PromsimLifecycle, BadCommandLinesAndBadFilesAreRefusedClearly)
{
    std::string dir = TempDir();
    WriteFile(dir + "/big.bin", std::string(0x2001, 'x'));
    WriteFile(dir + "/plain", "not a link");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char *message;
    } cases[] = {
        {{"--size", "0"}, 2, "--size"},
        {{"--size", "1000001"}, 2, "--size"},
        {{"--size", "0x100"}, 2, "--size"},
        {{"--rate", "-1"}, 2, "--rate"},
        {{"--rate", "fast"}, 2, "--rate"},
        {{"--hangup-after", "1k"}, 2, "--hangup-after"},
        {{"--stall-after", ""}, 2, "--stall-after"},
        {{"--upload-delay", "99999"}, 2, "--upload-delay"},
        {{"--program-time", "600001"}, 2, "--program-time"},
        {{"--bad-chips", "0"}, 2, "--bad-chips"},
        {{"--bad-chips", "2,,5"}, 2, "--bad-chips"},
        {{"--bad-chips", "3,"}, 2, "--bad-chips"},
        {{"--bogus"}, 2, "unknown option --bogus"},
        {{"--link"}, 2, "needs a value"},
        {{"extra"}, 2, "unexpected argument"},
        {{"--image", dir + "/missing.bin"}, 1, "cannot open image"},
        {{"--image", dir + "/big.bin"}, 1, "larger than the memory"},
        {{"--link", dir + "/plain"}, 1, "not a symbolic link"},
        {{"--trace", dir + "/no/such/dir/trace"}, 1, "cannot create trace"},
        {{"--save-chips", dir + "/plain"}, 1, "is not a folder"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> argv{BinPath("promsim")};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        auto r = RunProcess(argv);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << "no line was opened";
    }
    EXPECT_EQ(ReadFile(dir + "/plain"), "not a link");
}

TEST(PromsimLifecycle, HelpDocumentsEveryOptionAndTheProtocol)
{
    auto r = RunProcess({BinPath("promsim"), "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *word : {"--link", "--image", "--save", "--save-chips", "--size", "--rate", "--upload-delay", "--once",
                             "--trace", "--silent", "--stall-after", "--hangup-after", "--garbage",
                             "--fresh-chips", "--bad-chips", "--program-time",
                             "CR LF \">\"", "\"0000=3F\"", "\":00000001FF\"", "\"Transfer OK",
                             "\"Transfer failed, line", "\"Program OK\"", "\"Verify OK\"", "End of memory"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST(PromsimLifecycle, SavesAfterEachGoodTransferAndOnEveryEnding)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        std::string dir = TempDir();
        WriteFile(dir + "/start.bin", "AB");
        Session s({"--image", dir + "/start.bin", "--save", dir + "/mem.bin", "--size", "4"});
        ASSERT_TRUE(s.peer.IsOpen());
        EXPECT_EQ(ReadFile(dir + "/mem.bin"), "") << "nothing saved before a transfer";
        EXPECT_EQ(s.peer.Command("T:0100020043BA\r\n:00000001FF\r\n"), "\r\nTransfer OK: 1 bytes in 1 record\r\n>");
        EXPECT_EQ(ReadFile(dir + "/mem.bin"), "ABC\xff");
        // A failed transfer saves nothing; an edit is saved at the end.
        s.peer.Command("T:0100020044BA\r\n:00000001FF\r\n");
        EXPECT_EQ(ReadFile(dir + "/mem.bin"), "ABC\xff");
        s.peer.Send("X3\r");
        s.peer.ReadUntil("=FF");
        s.peer.Command("44\r");
        EXPECT_EQ(s.sim.Stop(sig), 0);
        EXPECT_EQ(ReadFile(dir + "/mem.bin"), "ABCD");
        EXPECT_EQ(DirEntries(dir).size(), 2u) << "no temporary file left behind";
    }
}

TEST(PromsimLifecycle, ASaveLeavesAPathThatIsNoRegularFileAlone)
{
    std::string dir = TempDir();
    WriteFile(dir + "/kept.bin", "kept");
    ASSERT_EQ(symlink((dir + "/kept.bin").c_str(), (dir + "/mem.bin").c_str()), 0);
    PromsimRunner sim({"--save", dir + "/mem.bin", "--size", "2"});
    EXPECT_EQ(sim.Stop(), 1) << "the save at the end failed";
    struct stat link;
    EXPECT_TRUE(lstat((dir + "/mem.bin").c_str(), &link) == 0 && S_ISLNK(link.st_mode));
    EXPECT_EQ(ReadFile(dir + "/kept.bin"), "kept");
    EXPECT_EQ(DirEntries(dir).size(), 2u) << "no temporary file left behind";
}

TEST(PromsimLifecycle, OnceEndsWhenThePeerClosesTheLine)
{
    std::string dir = TempDir();
    PromsimRunner sim({"--once", "--save", dir + "/mem.bin", "--size", "2"});
    EXPECT_FALSE(sim.WaitExit(300)) << "waits for a peer first";
    {
        Peer peer(sim.Path());
        ASSERT_TRUE(peer.IsOpen());
        EXPECT_EQ(peer.ReadUntil("\r\n>"), "\r\n>");
    }
    EXPECT_TRUE(sim.WaitExit(5000));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(ReadFile(dir + "/mem.bin"), "\xff\xff");
}

TEST(PromsimLifecycle, EachPeerFindsAFreshDialogueOnTheSameLinkedLine)
{
    std::string dir = TempDir();
    std::string link = dir + "/prompro7";
    PromsimRunner sim({"--link", link, "--trace", dir + "/trace.txt"});
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(sim.Path(), target);
    {
        Peer first(link);
        ASSERT_TRUE(first.IsOpen());
        EXPECT_EQ(first.ReadUntil("\r\n>"), "\r\n>");
        first.Send("X0");   // left in the middle of a command, the line held exclusively
        first.Send(std::string(5000, 'Q'));   // answers it never reads
    }
    // Another program opens the line once promsim has seen the first one go.
    auto until = Peer::Clock::now() + std::chrono::seconds(10);
    while (ReadFile(dir + "/trace.txt").find("# peer closed the line") == std::string::npos &&
           Peer::Clock::now() < until)
        usleep(10000);
    int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    int exclusive = 1;
    ioctl(fd, TIOCGEXCL, &exclusive);
    EXPECT_EQ(exclusive, 0) << "the first peer's exclusive mark is lifted";
    Peer second(link);
    close(fd);
    ASSERT_TRUE(second.IsOpen());
    EXPECT_EQ(second.ReadUntil("\r\n>"), "\r\n>") << "nothing left over from the first peer";
    EXPECT_EQ(second.Command("V"), "\r\nVerify OK\r\n>");
    second.Close();
    EXPECT_EQ(sim.Stop(), 0);
    struct stat st{};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link goes with the program";

    std::string trace = ReadFile(dir + "/trace.txt");
    for (const char *line : {"# peer opened the line\n", "> <CR><LF>\n", "> >\n", "< X0", "< V\n",
                             "> Verify OK<CR><LF>\n", "# peer closed the line\n",
                             "# stopped by a signal\n"})
        EXPECT_NE(trace.find(line), std::string::npos) << line << "\n" << trace.substr(0, 2000);
}

// Without the privilege to lift a peer's exclusive mark, promsim moves to a new line.
TEST(PromsimLifecycle, WithoutPrivilegeAnExclusiveLineIsReplaced)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to start promsim as another user";
    std::string dir = TempDir();
    chmod(dir.c_str(), 0777);
    std::string link = dir + "/prompro7";
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(126);
        std::string prog = BinPath("promsim");
        execl(prog.c_str(), prog.c_str(), "--link", link.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    // Ends the unprivileged promsim however the test leaves.
    struct Child {
        pid_t pid;
        int out;
        int status = -1;
        ~Child() { Stop(); }
        int Stop()
        {
            if (pid > 0) {
                kill(pid, SIGTERM);
                waitpid(pid, &status, 0);
                close(out);
            }
            pid = -1;
            return status;
        }
        std::string ReadLine(int ms) { return PromsimRunner::ReadLineFrom(out, ms); }
    } child{pid, out[0]};

    std::string first = child.ReadLine(10000);
    if (first.empty())
        GTEST_SKIP() << "promsim cannot run as an unprivileged user here";
    {
        Peer peer(link);
        ASSERT_TRUE(peer.IsOpen());
        EXPECT_EQ(peer.ReadUntil("\r\n>"), "\r\n>");
    }
    std::string second = child.ReadLine(5000);
    EXPECT_FALSE(second.empty());
    EXPECT_NE(second, first);
    {
        Peer peer(link);
        ASSERT_TRUE(peer.IsOpen()) << "the link follows the new line";
        EXPECT_EQ(peer.ReadUntil("\r\n>"), "\r\n>");
    }
    int st = child.Stop();
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
}

} // namespace
} // namespace zmtest
