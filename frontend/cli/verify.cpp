// verify FILE: the addresses FILE defines read back through upload bin's examine pass and
// compared with the file.
#include <algorithm>

#include "commands.h"
#include "console.h"
#include "numbers.h"

namespace {

// A gap this short between records is read through: a second examine pass would cost its
// half-second clearing, far more than these bytes.
constexpr uint32_t kReadThroughGap = 64;
constexpr int kShownDifferences = 20;

std::string Hex(uint32_t value, int width)
{
    std::string text = HexPadded(static_cast<int32_t>(value), width);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c; });
    return text;
}

}  // namespace

int LoadImage(const CliOptions &options, ImageFile &image, std::string &error)
{
    const ImageKind kind = options.hex ? ImageKind::Records : options.binary ? ImageKind::Binary : ImageKind::ByContent;
    const uint32_t bias = options.bias.empty() ? 0 : static_cast<uint32_t>(ParseHex(options.bias));
    const uint32_t start = options.start.empty() ? 0 : static_cast<uint32_t>(ParseHex(options.start));
    if (LoadImageFile(options.file, kind, bias, start, image, error))
        return exit_status::kDone;
    // Read, but nothing in it to send or compare.
    return error.rfind("Couldn't", 0) == 0 ? exit_status::kNotOpened : exit_status::kFailed;
}

int VerifyImage(ConsoleHost &host, const CliOptions &options, const ImageFile &image)
{
    Session &session = host.session;
    std::vector<ImageRun> passes = ImageRuns(image);
    // Runs close together become one pass; the gap's bytes are read but not compared.
    std::vector<ImageRun> merged;
    for (ImageRun &run : passes) {
        if (!merged.empty() && run.start - (merged.back().start + merged.back().bytes.size()) <= kReadThroughGap) {
            merged.back().bytes.resize(run.start - merged.back().start);
            merged.back().bytes += run.bytes;
        } else {
            merged.push_back(std::move(run));
        }
    }
    const bool showProgress = !options.quiet && console::IsTerminal(2);
    ProgressLine progress(showProgress ? stderr : nullptr, "verify", "bytes");
    host.progress = &progress;
    progress.Start();
    size_t differ = 0;
    TransferEnd end = TransferEnd::Completed;
    for (const ImageRun &pass : merged) {
        std::string back;
        end = session.ReadBack(static_cast<int32_t>(pass.start), static_cast<int32_t>(pass.bytes.size()), back);
        if (end != TransferEnd::Completed)
            break;
        for (size_t i = 0; i < back.size(); ++i) {
            const auto found = image.bytes.find(pass.start + static_cast<uint32_t>(i));
            if (found == image.bytes.end() || found->second == static_cast<uint8_t>(back[i]))
                continue;
            if (++differ <= kShownDifferences)
                host.Say(Hex(found->first, 4) + ": file " + Hex(found->second, 2) + ", programmer " +
                         Hex(static_cast<uint8_t>(back[i]), 2));
        }
    }
    progress.Finish(end == TransferEnd::Completed ? "done" : end == TransferEnd::Stopped ? "stopped" : "failed");
    host.progress = nullptr;
    if (end != TransferEnd::Completed)
        return exit_status::kFailed;
    const size_t total = image.bytes.size();
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
    ImageFile image;
    std::string error;
    const int loaded = LoadImage(options, image, error);
    if (loaded != exit_status::kDone) {
        host.Say(error);
        return loaded;
    }
    return VerifyImage(host, options, image);
}
