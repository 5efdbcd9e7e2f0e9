// The image reader with any bytes, in each format: it must return, and whatever it reads must
// come back the same through the Intel hex and S-record writers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "image/image_read.h"
#include "image/image_write.h"

namespace {

// S-records end with a start address always: 0 when the image had none.
void SameBack(const MemoryImage &image, const std::string &text, ImageFormat format)
{
    ImageRead again;
    std::string error;
    const std::optional<uint32_t> start =
        format == ImageFormat::SRecord && !image.start ? std::optional<uint32_t>(0) : image.start;
    if (ParseImage(text, "back", format, 0, again, error) != ReadOutcome::Read || again.image.runs() != image.runs() ||
        again.image.start != start)
        std::abort();
}

}  // namespace

// The first byte picks the format; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const ImageFormat kFormats[] = {ImageFormat::ByContent, ImageFormat::IntelHex, ImageFormat::SRecord};
    const std::string content(reinterpret_cast<const char *>(data) + 1, size - 1);
    ImageRead read;
    std::string error;
    if (ParseImage(content, "f", kFormats[data[0] % 3], 0, read, error) != ReadOutcome::Read) {
        if (error.rfind("f:", 0) != 0)
            std::abort();  // every fault names the file
        return 0;
    }
    const size_t recordSize = 1 + data[0] % 250;
    SameBack(read.image, IntelHexText(read.image, recordSize), ImageFormat::IntelHex);
    std::string records;
    WriteSRecords(read.image, recordSize, [&records](const char *bytes, size_t n) {
        records.append(bytes, n);
        return true;
    });
    SameBack(read.image, records, ImageFormat::SRecord);
    return 0;
}
