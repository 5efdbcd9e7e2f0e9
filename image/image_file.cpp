#include "image/image_file.h"

#include "image/image_ops.h"

LoadOutcome LoadImageFile(const std::string &path, ImageKind kind, uint32_t bias, uint32_t start,
                          std::optional<ImageLane> lane, MemoryImage &image, std::string &error)
{
    std::string content;
    if (ReadWholeFile(path, content, error) != ReadOutcome::Read)
        return LoadOutcome::NotOpened;
    return LoadImageText(std::move(content), path, kind, bias, start, lane, image, error);
}

LoadOutcome LoadImageText(std::string content, const std::string &path, ImageKind kind, uint32_t bias,
                          uint32_t start, std::optional<ImageLane> lane, MemoryImage &image, std::string &error)
{
    ImageFormat format = FormatOfInput(content, path);
    if (kind == ImageKind::Binary)
        format = ImageFormat::Binary;
    else if (kind == ImageKind::Records && format == ImageFormat::Binary)
        format = content.find_first_not_of(" \t\r\n") != std::string::npos &&
                         content[content.find_first_not_of(" \t\r\n")] == 'S'
                     ? ImageFormat::SRecord
                     : ImageFormat::IntelHex;
    ImageRead read;
    if (ParseImage(std::move(content), path, format, start, read, error) != ReadOutcome::Read)
        return LoadOutcome::Bad;
    image = std::move(read.image);
    if (bias != 0) {
        image = Crop(image, bias, uint64_t(1) << 32);
        Move(image, -int64_t(bias), error);
    }
    const bool held = !image.Empty();
    if (lane)
        image = Lane(image, lane->lane, lane->lanes, 1);
    if (image.Empty() && held) {
        error = "\"" + path + "\" has nothing in lane " + std::to_string(lane->lane) + "/" +
                std::to_string(lane->lanes) + ": nothing to send";
        return LoadOutcome::Empty;
    }
    if (image.Empty()) {
        error = "\"" + path + (read.format == ImageFormat::Binary ? "\" is empty" : "\" has no data record") +
                ": nothing to send";
        return LoadOutcome::Empty;
    }
    return LoadOutcome::Loaded;
}
