// Upload hex against any programmer: it sends "I", "U", the offset and the final CR and
// nothing else, and saves exactly the lines it took from the line (printable bytes up to
// each CR), ending after the first record above the stop address.
#include "fuzz_session.h"
#include "numbers.h"

namespace {

std::string SavedLines(const std::string &taken, int32_t stop)
{
    std::string saved, current;
    for (const char c : taken) {
        const auto value = static_cast<uint8_t>(c);
        if (value >= 32) {
            current += c;
        } else if (value == 13) {
            saved += current + "\r\n";
            const std::string address = current.size() > 3 ? current.substr(3, 4) : std::string();
            if (stop < ParseHex(address))
                break;
            current.clear();
        }
    }
    return saved;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzRun run(data, size, 3);
    const int32_t stop = run.choice[1] * 0x40;
    const std::string offset(1, "0123456789ABCDEF"[run.choice[2] % 16]);
    run.session.Settings().uploadhexstop = stop;
    run.session.Settings().uploadoffset = offset;
    const std::string path = run.File("upload.hex");
    run.session.UploadHex(path);

    FUZZ_CHECK(ReadAll(path) == SavedLines(fakeline::Taken(), stop));
    const std::string sent = fakeline::Sent(), all = "IU" + offset + "\r";
    FUZZ_CHECK(all.compare(0, sent.size(), sent) == 0);
    FUZZ_CHECK(!run.host.transferRunning);
    return 0;
}
