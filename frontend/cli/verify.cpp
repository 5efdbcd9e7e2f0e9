// verify FILE: the addresses FILE defines read back through upload bin's examine pass and
// compared with the file.
#include <optional>

#include "commands.h"
#include "console.h"
#include "numbers.h"

namespace {

// A gap this short between records is read through: a second examine pass would cost its
// half-second clearing, far more than these bytes.
constexpr uint32_t kReadThroughGap = 64;
constexpr int kShownDifferences = 20;

}  // namespace

int LoadImage(const CliOptions &options, MemoryImage &image, std::string &error)
{
    const ImageKind kind = options.hex ? ImageKind::Records : options.binary ? ImageKind::Binary : ImageKind::ByContent;
    const uint32_t bias = options.bias.empty() ? 0 : static_cast<uint32_t>(ParseHex(options.bias));
    const uint32_t start = options.start.empty() ? 0 : static_cast<uint32_t>(ParseHex(options.start));
    std::optional<ImageLane> lane;
    if (options.laneCount != 0)
        lane = ImageLane{options.lane, options.laneCount};
    switch (LoadImageFile(options.file, kind, bias, start, lane, image, error)) {
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
    Session &session = host.session;
    // Runs close together become one pass; the gap's bytes are read but not compared.
    struct Pass {
        uint32_t start;
        uint64_t end;
    };
    std::vector<Pass> merged;
    for (const auto &[address, run] : image.runs()) {
        const uint64_t end = address + uint64_t(run.size());
        if (!merged.empty() && address - merged.back().end <= kReadThroughGap)
            merged.back().end = end;
        else
            merged.push_back({address, end});
    }
    const bool showProgress = !options.quiet && console::IsTerminal(2);
    ProgressLine progress(showProgress ? stderr : nullptr, "verify", "bytes");
    host.progress = &progress;
    progress.Start();
    size_t differ = 0;
    TransferEnd end = TransferEnd::Completed;
    for (const Pass &pass : merged) {
        std::string back;
        end = session.ReadBack(static_cast<int32_t>(pass.start), static_cast<int32_t>(pass.end - pass.start), back);
        if (end != TransferEnd::Completed)
            break;
        for (size_t i = 0; i < back.size(); ++i) {
            const uint32_t address = pass.start + static_cast<uint32_t>(i);
            const std::optional<uint8_t> held = image.At(address);
            if (!held || *held == static_cast<uint8_t>(back[i]))
                continue;
            if (++differ <= kShownDifferences)
                host.Say(HexUpper(address, 4) + ": file " + HexUpper(*held, 2) + ", programmer " +
                         HexUpper(static_cast<uint8_t>(back[i]), 2));
        }
    }
    progress.Finish(end == TransferEnd::Completed ? "done" : end == TransferEnd::Stopped ? "stopped" : "failed");
    host.progress = nullptr;
    if (end != TransferEnd::Completed)
        return exit_status::kFailed;
    const uint64_t total = image.ByteCount();
    if (differ > 0) {
        if (differ > kShownDifferences)
            host.Say("... and " + std::to_string(differ - kShownDifferences) + " more");
        host.Say("verify: " + std::to_string(differ) + " of " + std::to_string(total) + " bytes differ");
        return exit_status::kFailed;
    }
    if (!options.quiet)
        host.Say("verify: " + std::to_string(total) + " bytes equal");
    return exit_status::kDone;
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
    return VerifyImage(host, options, image);
}
