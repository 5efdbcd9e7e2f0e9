// zmcli: the programmer from a shell and from scripts, on the session and transfers of zm32.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "console.h"
#include "numbers.h"
#include "output_check.h"
#include "transfer_sums.h"

namespace {

// The command's own options win over the settings file.
void ApplyCommandOptions(const CliOptions &options, ZM32OP &settings)
{
    if (options.log)
        settings.log = *options.log;
    const auto key = [](const std::string &hex) { return hex.empty() ? std::nullopt : std::optional<int32_t>(ParseHex(hex)); };
    SetRanges(settings, nullptr, {key(options.start), key(options.bytes), key(options.stop)});
    if (!options.offset.empty())
        settings.uploadoffset = options.offset;
    if (options.delay)
        settings.delayms = *options.delay;
    if (options.flow)
        settings.flow = *options.flow;
}

int Run(const CliOptions &options)
{
    ConsoleHost host;
    Session &session = host.session;
    // The settings are zm32's, file name and section included.
    if (!session.LoadSettings(options.settingsArgs, "zm32"))
        return exit_status::kUsage;
    if (options.command == "ports")
        return RunPorts(host);
    if (options.command == "chips")
        return RunChips(host);
    // A part on the command line sets the ranges over the file's; the command's own range
    // options win over both.
    if (options.chip) {
        ZM32OP &settings = session.Settings();
        const SettingsState &found = session.SettingsFound();
        settings.chip = NamesNoChip(*options.chip) ? std::string() : *options.chip;
        if (const ChipPart *part = found.chips.Find(*options.chip)) {
            SetRanges(settings, part, {});
        } else if (settings.chip.empty()) {
            // No part: the ranges as the file's range keys give them without its chip key.
            const ZM32OP defaults;
            settings.uploadbinstart = defaults.uploadbinstart;
            settings.uploadbinbytes = defaults.uploadbinbytes;
            settings.uploadhexstop = defaults.uploadhexstop;
            SetRanges(settings, nullptr, found.fileRanges);
        }
    }
    bool known = true;
    ChipInUse(session, known);
    if (!known && options.command != "term" && options.command != "send") {
        host.Say("zmcli: unknown part \"" + session.Settings().chip + "\": zmcli chips lists the parts");
        return exit_status::kUsage;
    }
    ApplyCommandOptions(options, session.Settings());
    // The trace log opens at the first byte: a log that cannot be written is found out first.
    const std::string &log = session.Settings().log;
    if (!log.empty() && !CanWrite(log)) {
        host.Say("Cannot write the log " + log);
        return exit_status::kNotOpened;
    }
    if (options.command == "batch")
        return RunBatch(host, options);
    session.RestartTrace();
    if (session.OpenPort() < 0)
        return exit_status::kNotOpened;
    int status = exit_status::kDone;
    if (options.command == "term")
        status = RunTerm(host, options);
    else if (options.command == "send")
        status = RunSend(host, options);
    else if (options.command == "verify")
        status = RunVerify(host, options);
    else if (options.command == "blank")
        status = RunBlank(host, options);
    else
        status = RunTransfer(host, options);
    session.Close();
    return status;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    std::string message;
    switch (ParseArguments(args, options, message)) {
    case ParseOutcome::Help:
    case ParseOutcome::Version:
        std::printf("%s\n", message.c_str());
        return exit_status::kDone;
    case ParseOutcome::Error:
        std::fprintf(stderr, "%s\n", message.c_str());
        return exit_status::kUsage;
    case ParseOutcome::Run:
        break;
    }
    console::CatchStopSignals();
    const int status = Run(options);
    const int sig = console::StopSignal();
    return sig ? 128 + sig : status;
}
