#include "commands.h"

#include <algorithm>
#include <cstdio>

#include "image/image_ops.h"
#include "image/serial_stamp.h"
#include "image/image_write.h"
#include "image/hex_text.h"
#include "output_file.h"
#include "text.h"

namespace {

using namespace image_status;

// A binary output larger than this is surely a mistake (a stray record far away).
constexpr uint64_t kLargestBinary = uint64_t(1) << 30;
constexpr uint64_t kAddressEnd = uint64_t(1) << 32;

int Say(const std::string &message, int status)
{
    std::fprintf(stderr, "zmimage: %s\n", message.c_str());
    return status;
}

OutputFormat AsOutput(ImageFormat format)
{
    return format == ImageFormat::IntelHex ? OutputFormat::IntelHex
         : format == ImageFormat::SRecord  ? OutputFormat::SRecord
         : format == ImageFormat::Binary   ? OutputFormat::Binary
                                           : OutputFormat::ByName;
}

class Run {
public:
    explicit Run(const ImageOptions &options) : o_(options) {}

    int Main()
    {
        const bool merge = o_.command == "merge";
        const size_t inputs = merge ? o_.files.size() - 1 : 1;
        for (size_t i = inputs; i < o_.files.size(); ++i) {
            OutputFormat format =
                o_.outputFormat != OutputFormat::ByName ? o_.outputFormat : AsOutput(FormatOfName(o_.files[i]));
            if (format == OutputFormat::ByName && o_.files[i] != "-")
                return Say("cannot tell the format of \"" + o_.files[i] +
                               "\" by its name: call it .bin, .hex or .s19 (or .ihx .s28 .s37 .srec .mot), or give --to",
                           kUsage);
            outputs_.push_back({o_.files[i], format});
        }
        std::vector<ImageRead> read(inputs);
        for (size_t i = 0; i < inputs; ++i) {
            std::string error;
            const ReadOutcome outcome = ReadInput(o_.files[i], read[i], error);
            if (outcome != ReadOutcome::Read)
                return Say(error, outcome == ReadOutcome::NotOpened ? kNotOpened : kFailed);
            for (const std::string &warning : read[i].warnings)
                Say("warning: " + warning, 0);
        }
        for (Output &out : outputs_)
            if (out.format == OutputFormat::ByName)
                out.format = AsOutput(read[0].format);  // the formats read are never ByContent
        if (merge) {
            std::vector<MemoryImage> lanes;
            for (ImageRead &r : read)
                lanes.push_back(std::move(r.image));
            MemoryImage merged;
            std::string error;
            if (!MergeLanes(lanes, o_.width, merged, error))
                return Say(error, kFailed);
            return Write({&merged});
        }
        return Command(read[0]);
    }

private:
    struct Output {
        std::string path;
        OutputFormat format;
    };

    ReadOutcome ReadInput(const std::string &path, ImageRead &read, std::string &error) const
    {
        std::string content;
        const ReadOutcome outcome = ReadWholeFile(path, content, error);
        if (outcome != ReadOutcome::Read)
            return outcome;
        const ImageFormat format =
            o_.inputFormat == ImageFormat::ByContent ? FormatOfInput(content, path) : o_.inputFormat;
        return ParseImage(std::move(content), path == "-" ? "(standard input)" : path, format, o_.start, read, error);
    }

    int Command(ImageRead &read)
    {
        MemoryImage &image = read.image;
        std::string error;
        const std::string &c = o_.command;
        if (c == "info")
            return Info(read);
        if (c == "convert")
            return Write({&image});
        if (c == "split") {
            const std::vector<MemoryImage> lanes = SplitLanes(image, static_cast<unsigned>(outputs_.size()), o_.width);
            std::vector<const MemoryImage *> each;
            for (const MemoryImage &lane : lanes)
                each.push_back(&lane);
            return Write(each);
        }
        if (c == "swap" || c == "crop") {
            const MemoryImage changed = c == "swap" ? SwapBytes(image, o_.width) : Crop(image, o_.from, o_.to);
            return Write({&changed});
        }
        if (c == "fill" && o_.size > kLargestBinary)
            return Say("--size " + std::to_string(o_.size) + " bytes: a chip of more than 1 GiB is surely a mistake",
                       kFailed);
        if (c == "fill" && !FillTo(image, o_.size, o_.with, error))
            return Say(o_.files[0] + ": " + error, kFailed);
        if (c == "move" && !Move(image, o_.by, error))
            return Say(o_.files[0] + ": " + error, kFailed);
        if (c == "serial") {
            std::string bytes;
            if (uint64_t(o_.at) + o_.serialBytes > kAddressEnd)
                return Say("--at " + HexUpper(o_.at, 8) + ": the serial's bytes pass FFFFFFFF", kUsage);
            if (!SerialBytes(o_.value, o_.serialFormat, o_.serialBytes, bytes, error))
                return Say("--value: " + error, kUsage);
            StampSerial(image, o_.at, bytes);
        }
        return Write({&image});
    }

    int Info(const ImageRead &read)
    {
        const MemoryImage &image = read.image;
        ImageSums sums;
        std::string error;
        if (!SumImage(image, o_.size, sums, error))
            return Say(o_.files[0] + ": " + error, kFailed);
        std::string text = "format " + std::string(FormatName(read.format)) + "\n";
        uint64_t previousEnd = 0;
        bool first = true;
        for (const auto &[address, run] : image.runs()) {
            if (!first)
                text += "gap " + HexUpper(previousEnd, 8) + "-" + HexUpper(address - 1, 8) + " " +
                        std::to_string(address - previousEnd) + " bytes\n";
            previousEnd = address + uint64_t(run.size());
            text += "range " + HexUpper(address, 8) + "-" + HexUpper(previousEnd - 1, 8) + " " +
                    std::to_string(run.size()) + " bytes\n";
            first = false;
        }
        text += "size " + std::to_string(image.ByteCount()) + " bytes\n";
        if (o_.size)
            text += "chip " + std::to_string(o_.size) + " bytes\n";
        text += "start " + (image.start ? HexUpper(*image.start, 8) : std::string("none")) + "\n";
        text += "sum8 " + HexUpper(sums.sum8, 2) + "\nsum16 " + HexUpper(sums.sum16, 4) + "\ncrc32 " + HexUpper(sums.crc32, 8) + "\n";
        const bool written = std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
        return written ? kDone : Say("Couldn't write standard output", kFailed);
    }

    // Every output is checked before the first is written, and every input was read whole
    // before: a fault leaves no output behind.
    int Write(const std::vector<const MemoryImage *> &images)
    {
        std::vector<std::function<bool(const ByteSink &)>> writers;
        for (size_t i = 0; i < images.size(); ++i) {
            std::string error;
            const int status = Writer(*images[i], outputs_[i], writers.emplace_back(), error);
            if (status != kDone)
                return Say(outputs_[i].path + ": " + error, status);
        }
        for (size_t i = 0; i < images.size(); ++i) {
            std::string error;
            const WriteOutcome outcome = WriteOutputFile(outputs_[i].path, writers[i], error);
            if (outcome != WriteOutcome::Written)
                return Say(error, outcome == WriteOutcome::NotOpened ? kNotOpened : kFailed);
        }
        return kDone;
    }

    int Writer(const MemoryImage &image, const Output &output, std::function<bool(const ByteSink &)> &writer,
               std::string &error) const
    {
        const OutputFormat format = output.format;
        const size_t recordSize = o_.recordSize;
        if (format == OutputFormat::IntelHex) {
            writer = [&image, recordSize](const ByteSink &sink) { return WriteIntelHex(image, recordSize, sink); };
            return kDone;
        }
        if (format == OutputFormat::SRecord) {
            // .s28 and .s37 name the records' address width.
            const std::string ext = LowerCase(output.path.substr(output.path.find_last_of('.') + 1));
            const size_t named = ext == "s28" ? 3 : ext == "s37" ? 4 : 0;
            const size_t width = std::max(named, SRecordAddressBytes(image));
            if (named != 0 && width > named) {
                const uint64_t highest = std::max<uint64_t>(image.End() - 1, image.start.value_or(0));
                error = "the image's highest address " + HexUpper(highest, 8) + " does not fit S2's 24 bits: call it .s37";
                return kFailed;
            }
            const size_t most = 255 - 1 - width;
            if (recordSize > most) {
                error = "--record-size " + std::to_string(recordSize) + " is too long for S" +
                        std::to_string(width - 1) + " records: at most " + std::to_string(most);
                return kUsage;
            }
            writer = [&image, recordSize, width](const ByteSink &sink) {
                return WriteSRecords(image, recordSize, sink, width);
            };
            return kDone;
        }
        const uint32_t base = o_.base.value_or(image.Lowest());
        if (!image.Empty() && image.Lowest() < base) {
            error = "the image begins at " + HexUpper(image.Lowest(), 8) + ", below --base " + HexUpper(base, 8);
            return kFailed;
        }
        const uint64_t end = std::max<uint64_t>(image.End(), base);
        if (end - base > kLargestBinary) {
            error = "as a binary from " + HexUpper(base, 8) + " to " + HexUpper(end - 1, 8) + " it would be " +
                    std::to_string(end - base) + " bytes: crop or move the image first";
            return kFailed;
        }
        const uint8_t fill = o_.fill;
        writer = [&image, base, end, fill](const ByteSink &sink) { return WriteBinary(image, base, end, fill, sink); };
        return kDone;
    }

    const ImageOptions &o_;
    std::vector<Output> outputs_;
};

}  // namespace

int RunImageCommand(const ImageOptions &options) { return Run(options).Main(); }
