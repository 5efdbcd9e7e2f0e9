// send TEXT: the keys out, the answer back up to the programmer's next prompt.
#include "commands.h"
#include "console.h"

namespace {

const std::string kPrompt = "\r\n>";
// The answer is over when the line stays quiet this long without a prompt.
constexpr int32_t kQuietMs = 2000;
// Before sending, what the programmer still says (a greeting, an old answer) is let pass
// until the line is quiet this long, so that its prompt is not taken for the answer's.
constexpr int32_t kSettleMs = 150;
constexpr int32_t kSliceMs = 5;

void Settle(ConsoleHost &host)
{
    Session &session = host.session;
    Deadline quiet;
    quiet.Arm(kSettleMs);
    Deadline cap;
    cap.Arm(kQuietMs);
    while (!quiet.Expired() && !cap.Expired() && !console::StopSignal()) {
        const int32_t waiting = session.ReceiveQueue();
        if (waiting < 0)
            return;
        if (waiting > 0) {
            session.ClearReceiveQueue();
            quiet.Arm(kSettleMs);
        }
        console::Sleep(kSliceMs);
    }
}

}  // namespace

int RunSend(ConsoleHost &host, const CliOptions &options)
{
    Session &session = host.session;
    Settle(host);
    for (const char key : options.text) {
        session.KeyPress(key);
        DelayMs(session.settings.delayms);
    }
    LineDisplay display(options.raw);
    std::string tail;
    bool prompted = false;
    Deadline quiet;
    quiet.Arm(kQuietMs);
    while (!prompted && !quiet.Expired() && !console::StopSignal()) {
        const int32_t waiting = session.ReceiveQueue();
        if (waiting < 0)
            break;
        if (waiting == 0) {
            console::Sleep(kSliceMs);
            continue;
        }
        quiet.Arm(kQuietMs);
        std::string answer;
        for (int32_t i = 0; i < waiting && !prompted; ++i) {
            const int32_t value = session.bytes.ReceiveByte();
            if (value < 0)
                break;
            answer += static_cast<char>(value);
            tail += static_cast<char>(value);
            if (tail.size() > kPrompt.size())
                tail.erase(0, tail.size() - kPrompt.size());
            prompted = tail == kPrompt;
        }
        ConsoleHost::Print(display.Render(answer));
    }
    if (!options.raw)
        ConsoleHost::Print("\n");
    return prompted ? exit_status::kDone : exit_status::kFailed;
}
