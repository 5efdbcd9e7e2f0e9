// libFuzzer target: dabrix's command line and record reading, the whole program on scratch files.
// With the default arguments a conversion must succeed with an image of 1 to 100FF bytes.

#include "fuzz_dabrix_morvel.h"

#include "../dabrix/dabrix.cpp" // built with main renamed, see fuzz_dabrix.cmake

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzconv::Scratch scratch;
    fuzzconv::Run run = scratch.prepare(data, size, true);
    int status = scratch.call("dabrix", run, [&](int argc, char **argv) {
        return runDabrix(argc, argv, scratch.sink(), scratch.sink());
    });
    if (status != 0 && status != 1 && status != 3)
        std::abort();
    if (run.defaultArgs) {
        uintmax_t image = scratch.outputSize();
        if (status != 0 || image < 1 || image > 0x100FF)
            std::abort();
    }
    scratch.clear();
    return 0;
}
