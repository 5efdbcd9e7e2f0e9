// promsim: a simulated Prompro 7 on a pseudo-terminal.
#include <cstdio>
#include <memory>
#include <vector>
#include <sys/stat.h>

#include "device.h"
#include "device_link.h"
#include "memory_image.h"
#include "options.h"
#include "pty_line.h"
#include "session_loop.h"
#include "signals.h"
#include "trace.h"

using namespace promsim;

namespace {

int Fail(const std::string &message)
{
    std::fprintf(stderr, "promsim: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    std::string error = ParseOptions(argc, argv, options);
    if (!error.empty()) {
        std::fprintf(stderr, "promsim: %s\nTry 'promsim --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(HelpText(), stdout);
        return 0;
    }

    std::vector<uint8_t> memory(options.size, 0xFF);
    if (!options.image.empty() && !(error = LoadImage(options.image, memory)).empty())
        return Fail(error);
    struct stat folder;
    if (!options.saveChips.empty() && (stat(options.saveChips.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)))
        return Fail("--save-chips: " + options.saveChips + " is not a folder");
    Trace trace;
    if (!options.trace.empty() && !(error = trace.Open(options.trace)).empty())
        return Fail(error);
    StopSignals signals;
    if (!signals.Install())
        return Fail("cannot set up signal handling");
    PtyLine line;
    if (!(error = line.Open()).empty())
        return Fail(error);
    std::unique_ptr<DeviceLink> link;
    if (!options.link.empty()) {
        link = std::make_unique<DeviceLink>(options.link);
        if (!(error = link->PointTo(line.Path())).empty())
            return Fail(error);
    }
    std::printf("%s\n", line.Path().c_str());
    std::fflush(stdout);
    trace.Note("line " + line.Path());

    Device device(std::move(memory), {options.uploadDelay, options.programTime}, options.chips);
    int status = RunLoop({options, device, line, link.get(), trace, signals});

    if (!options.save.empty() && !(error = SaveImage(options.save, device.Memory())).empty())
        status = Fail(error);
    return status;
}
