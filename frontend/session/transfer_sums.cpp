#include "transfer_sums.h"

#include "image/image_ops.h"
#include "image/hex_text.h"

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
