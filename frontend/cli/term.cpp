// term: the console as zm32's terminal pane, until Ctrl-].
#include "commands.h"
#include "console.h"
#include "keys.h"
#include "text_log.h"

namespace {

// How long the quiet loop sleeps: until a key or a received byte wakes it, or a lost line is
// due to be looked for again; a line with nothing to wait on is looked at this often.
constexpr int kQuietWaitMs = 1000;
constexpr int kLookEveryMs = 10;

}  // namespace

int RunTerm(ConsoleHost &host, const CliOptions &options)
{
    Session &session = host.session;
    // The echo shares the display, as in the pane.
    host.SetRaw(options.raw);
    host.echo = true;
    const bool console = console::IsTerminal(0);
    console::RawMode raw;
    if (console && !options.quiet)
        std::fprintf(stderr, "zmcli: terminal on port %d; Ctrl-] ends it\r\n", session.Settings().port);

    if (raw.Active())
        host.lineEnd = "\r\n";
    host.sayLine = true;
    const ZM32OP &settings = session.Settings();
    session.SetPaneOptions({options.timestamps || settings.timestamps, options.hexView || settings.hexview});
    // A log that cannot be opened is said; the terminal goes on without it.
    TextLog textLog;
    std::string why;
    if (!options.logText.empty() && !textLog.Open(options.logText, why))
        host.Say("zmcli: cannot open the text log " + options.logText + ": " + why);
    host.textLog = textLog.IsOpen() ? &textLog : nullptr;

    bool ended = false;
    while (!ended && !console::StopSignal()) {
        // A lost line is looked for again (at most once a second); keys meanwhile go nowhere.
        std::string received;
        const bool more = session.ReceiveForTerminal(received);
        if (!received.empty())
            host.PrintDisplay(received);

        std::string keys;
        // The line is waited on only after the drain found it empty (which arms it).
        const int line = more ? -1 : session.LineDescriptor();
        const int wait = more || !received.empty() ? 0
                         : line >= 0 || session.IsLineLost() ? kQuietWaitMs
                                                              : kLookEveryMs;
        const console::Input input = console::ReadInput(wait, keys, line);
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
    host.echo = false;
    host.textLog = nullptr;
    host.lineEnd = "\n";
    if (console)
        std::fputs("\r\n", stderr);
    return exit_status::kDone;
}
