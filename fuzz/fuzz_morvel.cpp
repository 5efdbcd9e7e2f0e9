// libFuzzer target: morvel's command line and conversion, the whole program on scratch files.
// With the default arguments the output must hold exactly the records for the input's length.

#include "fuzz_dabrix_morvel.h"

#include "../morvel/morvel.cpp" // built with main renamed, see fuzz_morvel.cmake

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzconv::Scratch scratch;
    fuzzconv::Run run = scratch.prepare(data, size, false);
    int status = scratch.call("morvel", run, [&](int argc, char **argv) {
        return runMorvel(argc, argv, scratch.sink());
    });
    if (status != 0 && status != 3 && status != 7)
        std::abort();
    if (run.defaultArgs) {
        // 45 characters a full record, 2n + 13 for a last one of n bytes, 13 for the end record
        uintmax_t expected = size / 16 * 45 + (size % 16 ? 2 * (size % 16) + 13 : 0) + 13;
        if (status != 0 || scratch.outputSize() != expected)
            std::abort();
    }
    scratch.clear();
    return 0;
}
