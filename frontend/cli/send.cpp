// send TEXT: the keys out one by one, each answer back up to the programmer's next prompt.
#include "commands.h"
#include "timing.h"

namespace {

// Before sending, what the programmer still says (a greeting, an old answer) is let pass
// until the line is quiet this long, so that its prompt is not taken for the answer's.
constexpr int32_t kSettleMs = 150;
// A key that is no command (an address typed after X) gets no prompt: the next key goes
// after this much quiet.
constexpr int32_t kKeyQuietMs = 300;

}  // namespace

int RunSend(ConsoleHost &host, const CliOptions &options)
{
    Session &session = host.session;
    host.SetRaw(options.raw);
    session.LetLineSettle(kSettleMs, kAnswerQuietMs);
    const std::string keys = options.text + (options.enter ? "\r" : "");
    std::string answers;
    AnswerEnd end = AnswerEnd::Quiet;
    bool answered = false;
    for (size_t i = 0; i < keys.size(); ++i) {
        session.KeyPress(keys[i]);
        DelayMs(session.Settings().delayms);
        const bool last = i + 1 == keys.size();
        bool came = false;
        end = session.ReadAnswer(kPrompt, last ? kAnswerQuietMs : kKeyQuietMs,
                                 [&](const std::string &text) {
                                     host.PrintDisplay(text);
                                     came = came || !text.empty();
                                 },
                                 &answers);
        answered = came;
        if (end == AnswerEnd::Stopped || end == AnswerEnd::Lost)
            break;
    }
    if (!options.raw)
        ConsoleHost::Print("\n");
    if (end == AnswerEnd::Lost || end == AnswerEnd::Stopped)
        return exit_status::kFailed;
    // After --enter an examine shows its byte and waits for the next key: an answer, no prompt.
    if (end != AnswerEnd::Prompt && !(options.enter && answered)) {
        host.Say("send: no prompt from the programmer");
        return exit_status::kFailed;
    }
    if (options.expect && answers.find(*options.expect) == std::string::npos) {
        host.Say("send: the answer does not contain \"" + *options.expect + "\"");
        return exit_status::kFailed;
    }
    return exit_status::kDone;
}
