// download (with --verify), upload-bin and upload-hex: the session's transfers with a progress line.
#include <optional>

#include "commands.h"
#include "console.h"
#include "download_lines.h"
#include "transfer_sums.h"
#include "output_check.h"
#include "text.h"
#include "timing.h"

namespace {

// What the programmer said to the download, up to its prompt, on standard error: the kept
// bytes, and what it still says after the final CR. No prompt, or "fail" or "error" in it,
// fails the download.
int DownloadAnswer(ConsoleHost &host, const CliOptions &options)
{
    Session &session = host.session;
    std::string shown;
    const std::string fault = JudgeDownloadAnswer(session, shown);
    if (!options.quiet && !shown.empty())
        host.Say(shown);
    if (fault.empty())
        return exit_status::kDone;
    if (session.IsLineLost())
        return exit_status::kFailed;
    // A failure shows in the answer; only its absence needs saying.
    if (fault.rfind("no prompt", 0) == 0)
        host.Say("download: " + fault);
    else if (options.quiet)
        host.Say(shown);
    return exit_status::kFailed;
}

int ExitStatus(TransferEnd end)
{
    switch (end) {
    case TransferEnd::Completed:
        return exit_status::kDone;
    case TransferEnd::FileNotOpened:
        return exit_status::kNotOpened;
    case TransferEnd::Stopped:  // only a stop signal stops; its status wins anyway
    case TransferEnd::Failed:
        break;
    }
    return exit_status::kFailed;
}

}  // namespace

const char *EndingText(TransferEnd end)
{
    switch (end) {
    case TransferEnd::Completed:
        return "done";
    case TransferEnd::Stopped:
        return "stopped";
    case TransferEnd::Failed:
        return "failed";
    case TransferEnd::FileNotOpened:
        return "file not opened";
    }
    return "";
}

int RunTransfer(ConsoleHost &host, const CliOptions &options)
{
    Session &session = host.session;
    const bool download = options.command == "download";
    // A download's file is read and checked before anything is sent.
    MemoryImage image;
    std::optional<DownloadLines> lines;
    if (download) {
        std::string text, error;
        const int loaded = LoadImage(options, image, error, &text);
        if (loaded != exit_status::kDone) {
            host.Say(error);
            return loaded;
        }
        if (const std::string refusal = DownloadRefusal(session, options.file, image); !refusal.empty()) {
            host.Say(refusal);
            return exit_status::kFailed;
        }
        // An Intel hex file goes out as its own lines, as zm32 sends it; other images, and a
        // part of one (--offset, --lane), as records made from what was read.
        lines = DownloadLinesOf(std::move(text), options.file, image,
                                !options.binary && options.bias.empty() && options.laneCount == 0);
    }

    const bool showProgress = !options.quiet && console::IsTerminal(2);
    ProgressLine progress(showProgress ? stderr : nullptr, options.command,
                          options.command == "upload-hex" ? "lines" : "bytes");
    host.progress = &progress;
    host.echo = options.echo;
    host.lastDone = 0;

    TransferEnd end = TransferEnd::FileNotOpened;
    progress.Start();
    if (download) {
        // The pacing loop's half-second measurement only where there is pacing.
        if (session.Settings().delayms != 0)
            Calibrate();
        end = session.DownloadHex(std::move(*lines));
    } else if (options.command == "upload-bin") {
        end = session.UploadBin(options.file);
    } else if (CanWrite(options.file)) {
        end = session.UploadHex(options.file);
    } else {
        host.Say("Cannot create file " + options.file);
    }
    if (options.echo)
        ConsoleHost::Print("\n");
    progress.Finish(EndingText(end));
    host.progress = nullptr;
    host.echo = false;
    if (end == TransferEnd::Completed && options.command == "upload-hex" && !options.quiet && !showProgress)
        host.Say("upload-hex: done, " + std::to_string(host.lastDone) + " lines");
    int status = ExitStatus(end);
    if (download && end == TransferEnd::Completed) {
        status = DownloadAnswer(host, options);
        if (options.verify) {
            const int verified = VerifyImage(host, options, image);
            status = status != exit_status::kDone ? status : verified;
        }
    }
    if (status != exit_status::kDone)
        return status;
    // What was moved, summed as the programmer's memory holds it.
    if (!download && !UploadedImage(session, options.file, options.command == "upload-bin", image))
        return status;
    SaySums(host, options, image);
    return status;
}
