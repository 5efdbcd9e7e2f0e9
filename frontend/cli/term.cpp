// term: the console as zm32's terminal pane, until Ctrl-].
#include "commands.h"
#include "console.h"

namespace {

// How long the loop waits for a key while the line is quiet: a received byte shows within it.
constexpr int kKeyWaitMs = 10;
// Received bytes shown at once; a flood still lets keys (Ctrl-]) through between slices.
constexpr int32_t kSlice = 4096;

}  // namespace

int RunTerm(ConsoleHost &host, const CliOptions &options)
{
    Session &session = host.session;
    LineDisplay display(options.raw);
    // The echo shares the display, as in the pane.
    host.echo = &display;
    const bool console = console::IsTerminal(0);
    console::RawMode raw;
    if (console && !options.quiet)
        std::fprintf(stderr, "zmcli: terminal on port %d; Ctrl-] ends it\r\n", session.settings.port);

    if (raw.Active())
        host.lineEnd = "\r\n";
    host.sayLine = true;

    bool ended = false;
    while (!ended && !console::StopSignal()) {
        // A lost line is looked for again (at most once a second); keys meanwhile go nowhere.
        if (session.LineLost())
            session.Reconnect();
        std::string received;
        const int32_t waiting = session.LineLost() ? 0 : session.ReceiveQueue();
        for (int32_t i = 0; i < waiting && i < kSlice; ++i) {
            const int32_t value = session.bytes.ReceiveByte();
            if (value < 0)
                break;
            received += static_cast<char>(value);
        }
        if (!received.empty())
            ConsoleHost::Print(display.Render(received));

        std::string keys;
        const console::Input input = console::ReadInput(received.empty() ? kKeyWaitMs : 0, keys);
        if (input == console::Input::End)
            break;
        for (const char key : KeysToBytes(keys)) {
            if (key == kEndKey) {
                ended = true;
                break;
            }
            session.KeyPress(key);
        }
    }
    host.echo = nullptr;
    host.lineEnd = "\n";
    if (console)
        std::fputs("\r\n", stderr);
    return exit_status::kDone;
}
