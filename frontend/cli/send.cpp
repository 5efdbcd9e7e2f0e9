// send TEXT: the keys out, the answer back up to the programmer's next prompt.
#include "commands.h"
#include "timing.h"

namespace {

const std::string kPrompt = "\r\n>";
// The answer is over when the line stays quiet this long without a prompt.
constexpr int32_t kQuietMs = 2000;
// Before sending, what the programmer still says (a greeting, an old answer) is let pass
// until the line is quiet this long, so that its prompt is not taken for the answer's.
constexpr int32_t kSettleMs = 150;

}  // namespace

int RunSend(ConsoleHost &host, const CliOptions &options)
{
    Session &session = host.session;
    host.SetRaw(options.raw);
    session.LetLineSettle(kSettleMs, kQuietMs);
    for (const char key : options.text) {
        session.KeyPress(key);
        DelayMs(session.Settings().delayms);
    }
    const AnswerEnd end =
        session.ReadAnswer(kPrompt, kQuietMs, [&host](const std::string &text) { host.PrintDisplay(text); });
    if (!options.raw)
        ConsoleHost::Print("\n");
    return end == AnswerEnd::Prompt ? exit_status::kDone : exit_status::kFailed;
}
