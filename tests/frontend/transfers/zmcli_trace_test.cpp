// zm32's window and zmcli run the same transfer against promsim: the trace logs, and so the
// bytes on the wire both ways, are the same byte for byte after their start line.
#include "transfer_test_support.h"

using namespace zmtest;

namespace {

std::string WithoutStartLine(const std::string &trace)
{
    const size_t second = trace.find("\r\n", 2);
    return second == std::string::npos ? std::string() : trace.substr(second);
}

}  // namespace

TEST(ZmcliTrace, UploadBinTracesAsInTheWindow)
{
    TempDir dir;
    const std::string image = PseudoRandomImage(0x400);
    const std::vector<std::string> options{"--size", "400", "--image", dir.Write("image.bin", image)};
    {
        SimulatedProgrammer programmer(options);
        auto form = StartTerminal(programmer.PortArg());
        // The programmer's greeting goes to the pane before the trace starts.
        ASSERT_TRUE(PumpUntil([&] { return PaneText(*form).find('>') != std::string::npos; }));
        form->GetSession().Settings().uploadbinstart = 0x3F0;
        form->GetSession().Settings().uploadbinbytes = 0x10;
        form->GetSession().Settings().log = dir.File("window.log");
        form->GetSession().RestartTrace();
        DialogAnswers answers{{dir.File("window.bin")}};
        answers.Install(*form);
        Child<QAction>(*form, "uploadbin1")->trigger();
        // As the session's close writes it.
        form->GetSession().RestartTrace();
    }
    {
        SimulatedProgrammer programmer(options);
        ASSERT_TRUE(IsPseudoTerminal(programmer.sim->Path()));
        const ProcessResult r = RunProcess({BinPath("zmcli"), "-i-", programmer.PortArg(), "--log", dir.File("cli.log"),
                                            "upload-bin", dir.File("cli.bin"), "--start", "3F0", "--bytes", "10"});
        EXPECT_EQ(r.status, 0) << r.err;
    }
    EXPECT_TRUE(ReadFile(dir.File("cli.bin")) == image.substr(0x3F0));
    const std::string window = ReadFile(dir.File("window.log"));
    EXPECT_NE(window.find("p03F0<CR>"), std::string::npos) << window;
    EXPECT_EQ(WithoutStartLine(ReadFile(dir.File("cli.log"))), WithoutStartLine(window));
}
