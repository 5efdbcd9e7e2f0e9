// zmcli verify's read-back against any programmer: the bytes it hands back are exactly those
// of the "=" and two hex digits it took from the line, in order, and it says Completed only
// with every byte asked for.
#include "fuzz_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzRun run(data, size, 3);
    const int32_t start = run.choice[1] * 0x10;
    const int32_t count = 1 + run.choice[2] % 40;
    std::string bytes;
    const TransferEnd end = run.session.ReadBack(start, count, bytes);
    FUZZ_CHECK(bytes == ShownBytes(fakeline::Taken()));
    FUZZ_CHECK(end != TransferEnd::Completed || bytes.size() == static_cast<size_t>(count));
    FUZZ_CHECK(bytes.size() <= static_cast<size_t>(count));
    FUZZ_CHECK(fakeline::Sent().empty() || fakeline::Sent()[0] == 'X');
    FUZZ_CHECK(!run.host.transferRunning);
    return 0;
}
