// zmcli blank: is the part, or the upload range, all FF?
#include <algorithm>

#include "blank_check.h"
#include "commands.h"
#include "console.h"

int RunBlank(ConsoleHost &host, const CliOptions &options)
{
    const ZM32OP &settings = host.session.Settings();
    const uint32_t start = static_cast<uint32_t>(settings.uploadbinstart);
    const uint32_t count = static_cast<uint32_t>(std::max<int32_t>(settings.uploadbinbytes, 1));
    const bool showProgress = !options.quiet && console::IsTerminal(2);
    ProgressLine progress(showProgress ? stderr : nullptr, "blank", "lines");
    host.progress = &progress;
    progress.Start();
    const BlankOutcome outcome = BlankCheck(host.session, start, count);
    progress.Finish(EndingText(outcome.end));
    host.progress = nullptr;
    if (outcome.end != TransferEnd::Completed)
        return exit_status::kFailed;
    host.Say(BlankReport(outcome));
    return IsBlank(outcome) ? exit_status::kDone : exit_status::kFailed;
}
