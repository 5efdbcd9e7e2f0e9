// zmcli send's answer against any programmer: what it shows is every byte it took, by the
// display rule, and it says Prompt exactly when what it took ends with the prompt; it sends
// only the key, unless the line is gone (or never came).
#include "charname.h"
#include "fuzz_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzRun run(data, size, 1);
    const std::string prompt = "\r\n>";
    run.session.LetLineSettle(150, 2000);
    const std::string settled = fakeline::Taken();
    run.session.KeyPress('v');
    std::string shown, received;
    const AnswerEnd end =
        run.session.ReadAnswer(prompt, 2000, [&shown](const std::string &text) { shown += text; }, &received);

    const std::string taken = fakeline::Taken().substr(settled.size());
    FUZZ_CHECK(received == taken);
    CharNameState state;
    std::string expected;
    for (const char c : taken)
        if (c != 0)
            expected += CharName(state, static_cast<uint8_t>(c), false);
    FUZZ_CHECK(shown == expected);
    const bool prompted = taken.size() >= prompt.size() && taken.compare(taken.size() - prompt.size(), prompt.size(), prompt) == 0;
    FUZZ_CHECK((end == AnswerEnd::Prompt) == prompted);
    FUZZ_CHECK(fakeline::Sent() == "V" || (fakeline::Sent().empty() && !run.session.IsOpen()));
    return 0;
}
