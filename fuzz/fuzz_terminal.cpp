// The terminal against any programmer: every byte taken from the line shows, in order, by
// the display rule (control bytes by name, a line break after CR or LF, a NUL not at all),
// whatever the line's pace; and the terminal sends nothing by itself.
#include "charname.h"
#include "fuzz_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzRun run(data, size, 1);
    std::string shown;
    // As a window's idle moments: the terminal takes what is there, then the loop sleeps.
    for (int idle = 0; idle < 100000 && !fakeline::Exhausted(); ++idle) {
        if (!run.session.ReceiveForTerminal(shown))
            fakeline::Advance(10000);
    }
    run.session.ReceiveForTerminal(shown);

    CharNameState state;
    std::string expected;
    for (const char c : fakeline::Taken())
        if (c != 0)
            expected += CharName(state, static_cast<uint8_t>(c), false);
    FUZZ_CHECK(shown == expected);
    FUZZ_CHECK(fakeline::Sent().empty());
    return 0;
}
