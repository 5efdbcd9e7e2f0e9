#include "transfer_sums.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "image/hex_text.h"
#include "image/image_ops.h"
#include "image/image_read.h"

std::string SumsText(const MemoryImage &image, const ChipPart *part)
{
    ImageSums sums;
    std::string error;
    if (!SumImage(image, part ? part->bytes : 0, sums, error))
        return {};
    std::string text = "sum16 " + HexUpper(sums.sum16, 4) + " crc32 " + HexUpper(sums.crc32, 8);
    if (part)
        text += ", whole " + part->name + " (" + std::to_string(part->bytes) + " bytes, gaps FF)";
    return text;
}

const ChipPart *ChipInUse(const Session &session, bool &known)
{
    const std::string &name = session.Settings().chip;
    const ChipPart *part = NamesNoChip(name) ? nullptr : session.SettingsFound().chips.Find(name);
    known = part || NamesNoChip(name);
    return part;
}

std::string PastThePart(const Session &session, const std::string &path, const MemoryImage &image)
{
    bool known = false;
    const ChipPart *part = ChipInUse(session, known);
    if (!part || image.End() <= part->bytes)
        return {};
    return "\"" + path + "\" reaches " + HexUpper(image.End() - 1, 4) + ", past the " + part->name +
           "'s last address " + HexUpper(part->bytes - 1, 4) + ": nothing sent";
}

std::string DownloadRefusal(const Session &session, const std::string &path, const MemoryImage &image)
{
    // The records go out with 16-bit addresses: nothing says the programmer takes more.
    if (image.End() > 0x10000) {
        for (const auto &[address, run] : image.runs())
            if (address + uint64_t(run.size()) > 0x10000)
                return "\"" + path + "\" has data at " + HexUpper(std::max<uint32_t>(address, 0x10000), 1) +
                       ", past FFFF: download sends 16-bit addresses (verify reads any)";
    }
    return PastThePart(session, path, image);
}

bool UploadedImage(const Session &session, const std::string &path, bool bin, MemoryImage &image)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    const ZM32OP &settings = session.Settings();
    ImageRead read;
    std::string why;
    if (ReadImage(path, bin ? ImageFormat::Binary : ImageFormat::IntelHex,
                  bin ? static_cast<uint32_t>(settings.uploadbinstart) : 0, read, why) != ReadOutcome::Read)
        return false;
    image = bin ? std::move(read.image) : Crop(read.image, 0, uint64_t(uint32_t(settings.uploadhexstop)) + 1);
    return true;
}
