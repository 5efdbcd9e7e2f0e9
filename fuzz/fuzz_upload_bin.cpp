// Upload bin against any programmer: it sends the examine dialogue and nothing else, and its
// file holds exactly the bytes of the "=" and two hex digits it took from the line, in order.
#include "fuzz_session.h"
#include "numbers.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzRun run(data, size, 3);
    const int32_t start = run.choice[1] * 0x10;
    const int32_t count = 1 + run.choice[2] % 40;
    run.session.Settings().uploadbinstart = start;
    run.session.Settings().uploadbinbytes = count;
    const std::string path = run.File("upload.bin");
    const TransferEnd end = run.session.UploadBin(path);

    const std::string file = ReadAll(path);
    FUZZ_CHECK(file == ShownBytes(fakeline::Taken()).substr(0, file.size()));
    FUZZ_CHECK(ShownBytes(fakeline::Taken()).size() == file.size());
    FUZZ_CHECK(end != TransferEnd::Completed || file.size() == static_cast<size_t>(count));
    FUZZ_CHECK(!run.host.transferRunning);

    // "X", the address and CR, a space after every byte but the last, CR, and the CR at the end.
    const std::string &sent = fakeline::Sent();
    const std::string opening = "X" + HexPadded(start, 4) + "\r";
    FUZZ_CHECK(sent.empty() || sent[0] == 'X');
    if (sent.size() > 2) {
        FUZZ_CHECK(sent.compare(0, opening.size(), opening) == 0);
        const std::string rest = sent.substr(opening.size());
        const size_t spaces = rest.find_first_not_of(' ');
        const std::string tail = spaces == std::string::npos ? std::string() : rest.substr(spaces);
        FUZZ_CHECK(tail == "" || tail == "\r" || tail == "\r\r");
        FUZZ_CHECK((spaces == std::string::npos ? rest.size() : spaces) <= file.size());
    }
    return 0;
}
