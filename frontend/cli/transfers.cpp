// download, upload-bin and upload-hex: the session's transfers with a progress line.
#include <cstdio>

#include "commands.h"
#include "console.h"
#include "paths.h"
#include "timing.h"

namespace {

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

// Upload hex saves only at its end, where the window would ask for another file: a file that
// cannot be written is found out before anything is received, so no upload is lost for it.
bool CanCreate(const std::string &path)
{
    const bool existed = FileExists(path);
    std::FILE *file = std::fopen(path.c_str(), "ab");
    if (!file)
        return false;
    std::fclose(file);
    if (!existed)
        std::remove(path.c_str());
    return true;
}

}  // namespace

int RunTransfer(ConsoleHost &host, const CliOptions &options)
{
    Session &session = host.session;
    const bool showProgress = !options.quiet && console::IsTerminal(2);
    const bool download = options.command == "download";
    ProgressLine progress(showProgress ? stderr : nullptr, options.command,
                          options.command == "upload-hex" ? "lines" : "bytes");
    host.progress = &progress;
    host.echo = options.echo;

    TransferEnd end = TransferEnd::FileNotOpened;
    progress.Start();
    if (download) {
        // The pacing loop's half-second measurement only where there is pacing.
        if (session.Settings().delayms != 0)
            Calibrate();
        end = session.DownloadHex(options.file);
    } else if (options.command == "upload-bin") {
        end = session.UploadBin(options.file);
    } else if (CanCreate(options.file)) {
        end = session.UploadHex(options.file);
    } else {
        host.Say("Cannot create file " + options.file);
    }
    if (options.echo)
        ConsoleHost::Print("\n");
    progress.Finish(EndingText(end));
    host.progress = nullptr;
    host.echo = false;
    return ExitStatus(end);
}
