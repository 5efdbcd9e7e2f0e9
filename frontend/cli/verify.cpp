// verify FILE: the addresses FILE defines read back through upload bin's examine pass and
// compared with the file.
#include <optional>

#include "commands.h"
#include "console.h"
#include "numbers.h"
#include "verify_image.h"

int LoadImage(const CliOptions &options, MemoryImage &image, std::string &error, std::string *text)
{
    std::string content;
    if (ReadWholeFile(options.file, content, error) != ReadOutcome::Read)
        return exit_status::kNotOpened;
    if (text)
        *text = content;
    const ImageKind kind = options.hex ? ImageKind::Records : options.binary ? ImageKind::Binary : ImageKind::ByContent;
    const uint32_t bias = options.bias.empty() ? 0 : static_cast<uint32_t>(ParseHex(options.bias));
    const uint32_t start = options.start.empty() ? 0 : static_cast<uint32_t>(ParseHex(options.start));
    std::optional<ImageLane> lane;
    if (options.laneCount != 0)
        lane = ImageLane{options.lane, options.laneCount};
    switch (LoadImageText(std::move(content), options.file, kind, bias, start, lane, image, error)) {
    case LoadOutcome::Loaded:
        return exit_status::kDone;
    case LoadOutcome::NotOpened:
        return exit_status::kNotOpened;
    case LoadOutcome::Empty:  // read, but nothing in it to send or compare
    case LoadOutcome::Bad:
        break;
    }
    return exit_status::kFailed;
}

int VerifyImage(ConsoleHost &host, const CliOptions &options, const MemoryImage &image)
{
    const bool showProgress = !options.quiet && console::IsTerminal(2);
    ProgressLine progress(showProgress ? stderr : nullptr, "verify", "bytes");
    host.progress = &progress;
    progress.Start();
    const VerifyOutcome outcome = ::VerifyImage(host.session, image, options.all);
    progress.Finish(EndingText(outcome.end));
    host.progress = nullptr;
    if (outcome.end != TransferEnd::Completed)
        return exit_status::kFailed;
    if (outcome.differ == 0 && options.quiet)
        return exit_status::kDone;
    // The summary, the report's last line, is said as verify's.
    const std::vector<std::string> report = VerifyReport(outcome);
    for (size_t i = 0; i < report.size(); ++i)
        host.Say(i + 1 == report.size() ? "verify: " + report[i] : report[i]);
    return outcome.differ > 0 ? exit_status::kFailed : exit_status::kDone;
}

int RunVerify(ConsoleHost &host, const CliOptions &options)
{
    MemoryImage image;
    std::string error;
    const int loaded = LoadImage(options, image, error);
    if (loaded != exit_status::kDone) {
        host.Say(error);
        return loaded;
    }
    const int status = VerifyImage(host, options, image);
    if (status == exit_status::kDone)
        SaySums(host, options, image);
    return status;
}
