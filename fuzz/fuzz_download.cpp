// Download hex against any programmer: whatever it answers, the download sends "I", "T", the
// records with CR LF and the final CR, in order, or a beginning of them where the line goes
// or Stop comes, and the final CR whenever the line is still there.
#include "download_lines.h"
#include "fuzz_session.h"

namespace {

const std::string kFile = ":0400000001020304F2\r\n:02001000AA55EF\r\n:00000001FF\r\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzRun run(data, size, 1);
    const TransferEnd end = run.session.DownloadHex(DownloadLines::OfText(kFile));

    std::string sent = fakeline::Sent();
    const std::string all = "IT" + kFile;
    const bool finalCr = !sent.empty() && sent.back() == '\r' && sent != all.substr(0, sent.size());
    if (finalCr)
        sent.pop_back();
    FUZZ_CHECK(all.compare(0, sent.size(), sent) == 0);
    FUZZ_CHECK(end != TransferEnd::Completed || (sent == all && finalCr));
    FUZZ_CHECK(!run.host.transferRunning);
    return 0;
}
