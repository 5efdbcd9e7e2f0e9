#include "command_line.h"

#include <CLI/CLI.hpp>
#include <set>

#include "image/hex_text.h"
#include "image/number_text.h"
#include "image/serial_stamp.h"

namespace {

const std::set<std::string> kCommands{"term", "send", "download", "verify", "upload-bin", "upload-hex", "blank",
                                      "batch", "ports", "chips"};
// Long options whose value is the next argument: that value is never taken for one of zm32's.
const std::set<std::string> kValueOptions{"--log", "--chip", "--start", "--bytes", "--stop", "--offset",
                                          "--expect", "--delay", "--flow", "--lane", "--program-ok",
                                          "--verify-ok", "--answer-time", "--count", "--serial", "--serial-bytes",
                                          "--serial-format", "--serial-first", "--serial-step", "--serial-last",
                                          "--serial-on-fail", "--log-run", "--ports",
                                          "--log-text"};

const char kDescription[] =
    "zmcli: the Prompro 7 from a shell, on the same session and transfers as zm32.\n"
    "\n"
    "zm32's options come first and mean what they mean to zm32:\n"
    "  -pN        port N (ZMHW_COM<N>, else /dev/ttyS<N-1>)\n"
    "  -bBAUD     baud rate (-b19,200 is 19200)\n"
    "  -fFORMAT   data bits, parity, stop bits (8n1, 7e2, 5n1.5)\n"
    "  -iFILE     settings file instead of zm32.ini; -i- none\n"
    "Their value may also follow as the next argument (-b 9600).\n";

#if defined(_WIN32)
#define USER_SETTINGS "%APPDATA%\\zmtools\\zm32.ini"
#else
#define USER_SETTINGS "~/.config/zmtools/zm32.ini"
#endif

const char kFooter[] =
    "Settings: built-in defaults, then the command line, then zm32.ini: from the current\n"
    "directory, else the user's " USER_SETTINGS ", else beside the program.\n"
    "The file is zm32.ini, section [zm32], for zmcli as well, and its keys win over -p -b -f.\n"
    "A command's own options (--start, --bytes, --offset, --stop, --log, --delay, --flow)\n"
    "win over the file.\n"
    "A part (--chip, or the file's chip key) sets the ranges to the whole part: start 0,\n"
    "its size, its last address; the file's range keys win over its chip key, --start,\n"
    "--bytes and --stop over both. zmcli chips lists the parts, [chips] of zm32.ini adds\n"
    "NAME=SIZE or NAME=SIZE/16. A transfer that ends well says its sum16 and crc32 last;\n"
    "with a part, over the whole part, gaps as FF.\n"
    "\n"
    "Exit status: 0 done; 1 the transfer failed (time-out before any data, receive error,\n"
    "missing space, bad hex byte, a failed write, a lost line), the programmer's answer to a\n"
    "download said it failed or did not come, verify found differences, blank found a byte\n"
    "not FF, send got no prompt or not the --expect words, or the file had nothing to send or\n"
    "did not fit the part, a chip of batch failed; 2 usage, an unknown part, a refused\n"
    "serial value; 3 the port, a file or batch's log could not be opened (or its header\n"
    "differs); 130 stopped by Ctrl-C.\n"
    "\n"
    "zmcli COMMAND --help shows a command's options.\n"
    "\n"
    "Examples:\n"
    "  zmcli -p1 download rom.hex --verify && zmcli send P --expect OK && zmcli send V --expect OK\n"
    "  zmcli verify rom.bin --start 0\n"
    "  zmcli upload-bin back.bin --start 0 --bytes 2000 && cmp rom.bin back.bin\n"
    "  zmcli upload-hex back.hex --stop FFFF\n"
    "  zmcli --chip 27C256 blank && zmcli --chip 27C256 upload-bin rom.bin\n"
    "  zmcli --chip 27C256 batch rom.hex --serial 7FFC --count 40\n"
    "  zmcli batch rom.hex --ports 1,2,3 --serial 10 --serial-format dec --serial-bytes 6\n"
    "  zmcli term                     (Ctrl-] ends)\n"
    "  zmcli ports                    (which port number is which adapter)";

// zm32's options: "-" and a letter other than "-", or before the command also "/" and a letter.
bool IsSettingsArg(const std::string &arg, bool beforeCommand)
{
    if (arg.size() >= 2 && arg[0] == '-' && arg[1] != '-')
        return beforeCommand ? arg != "-h" : std::string("pbfi").find(arg[1]) != std::string::npos;
    if (arg == "-")
        return beforeCommand;
    return beforeCommand && !arg.empty() && arg[0] == '/';
}

// A hexadecimal value as the settings file takes it ("$" or "0x" allowed), but the whole text
// and within 31 bits.
CLI::Validator HexNumber()
{
    return CLI::Validator(
        [](std::string &value) -> std::string {
            // "$0x10" too: "$" is taken off before "0x".
            const std::string digits = !value.empty() && value[0] == '$' ? value.substr(1) : value;
            const auto number = ReadNumberText(digits, NumberForm::Hex().ZeroX().AtMost(8));
            if (!number || number->magnitude > 0x7FFFFFFFu)
                return "not a hexadecimal number: " + value;
            value = HexUpper(number->magnitude, 1);
            return {};
        },
        "HEX");
}

// "N/M": two decimal numbers, nothing else.
bool ReadLane(const std::string &text, unsigned &lane, unsigned &lanes)
{
    const size_t slash = text.find('/');
    const NumberForm decimal = NumberForm::Decimal().AtMost(9);
    const auto n = ReadNumberText(std::string_view(text).substr(0, slash), decimal);
    const auto m = slash == std::string::npos ? std::nullopt : ReadNumberText(std::string_view(text).substr(slash + 1), decimal);
    if (!n || !m)
        return false;
    lane = static_cast<unsigned>(n->magnitude);
    lanes = static_cast<unsigned>(m->magnitude);
    return true;
}

// zm32's options with their value in the next argument ("-b 9600") joined as zm32 takes them.
std::vector<std::string> JoinSettingsValues(const std::vector<std::string> &args)
{
    std::vector<std::string> joined;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--") {
            joined.insert(joined.end(), args.begin() + static_cast<long>(i), args.end());
            break;
        }
        const bool bare = arg.size() == 2 && (arg[0] == '-' || arg[0] == '/') &&
                          std::string("pbfi").find(arg[1]) != std::string::npos;
        if (bare && i + 1 < args.size())
            joined.push_back(arg + args[++i]);
        else
            joined.push_back(arg);
        if (kValueOptions.count(arg) && i + 1 < args.size())
            joined.push_back(args[++i]);
    }
    return joined;
}

// The first argument that is neither an option nor an option's value: the command.
std::string FirstWord(const std::vector<std::string> &rest)
{
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == "--")
            return {};
        if (kValueOptions.count(rest[i])) {
            ++i;
            continue;
        }
        if (!rest[i].empty() && rest[i][0] != '-')
            return rest[i];
    }
    return {};
}

// batch and its options.
void AddBatch(CLI::App &app, BatchOptions &batch, std::string &file)
{
    auto *command = app.add_subcommand(
        "batch", "a run of chips: FILE downloaded once (I, T), then for each chip its serial written (X) and "
                 "read back, P and V, and a line in the run's log");
    command->add_option("FILE", file, "the Intel hex file, S-record file or binary image")->required();
    command->add_option("--program-ok", batch.programOk, "a pass needs WORDS in the answer to P (zm32.ini's programok)")
        ->type_name("WORDS");
    command->add_option("--verify-ok", batch.verifyOk, "a pass needs WORDS in the answer to V (zm32.ini's verifyok)")
        ->type_name("WORDS");
    command->add_option("--answer-time", batch.answerSeconds, "the longest wait for each answer (default 120)")
        ->type_name("S")->check(CLI::Range(1, 2000000));
    command->add_option("--count", batch.count, "end after N chips passed (over all sites)")
        ->type_name("N")->check(CLI::Range(int64_t(1), INT64_MAX));
    command->add_flag("--stop-on-fail", batch.stopOnFail, "end at the first chip that fails");
    command->add_flag("--no-wait", batch.noWait, "take the next chip without asking (a handler, a test)");
    command->add_option("--serial", batch.serial, "write a serial number into each chip at ADDR")
        ->transform(HexNumber())->type_name("ADDR");
    command->add_option("--serial-bytes", batch.serialBytes, "its width, 1 to 8 bytes (default 4)")->type_name("W");
    command->add_option("--serial-format", batch.serialFormat,
                        "le, be (binary), bcd (packed), dec or hex (ASCII digits, zero-padded); default le")
        ->check(CLI::IsMember(SerialFormatNames()));
    command->add_option("--serial-first", batch.serialFirst, "the first number (default 1)")->type_name("N");
    command->add_option("--serial-step", batch.serialStep, "from one number to the next (default 1)")->type_name("S");
    command->add_option("--serial-last", batch.serialLast, "the run ends before passing N")->type_name("N");
    command->add_option("--serial-on-fail", batch.serialOnFail,
                        "a failed chip's number: skip it (default) or reuse it for the next chip")
        ->check(CLI::IsMember({"skip", "reuse"}));
    command->add_flag("--serial-restart", batch.serialRestart,
                      "numbers from --serial-first again, not above the highest in the log");
    command->add_option("--log-run", batch.logRun, "the run's CSV log, appended to (default batch-<date>-<time>.csv)")
        ->type_name("FILE");
    command->add_option("--ports", batch.ports, "a gang: one site a port, all at once (1,2,3)")
        ->delimiter(',')->type_name("N,N,...")->check(CLI::Range(1, 255));
    command->footer(
        "Each chip: the prompt (unless --no-wait), its serial written with X and read back, P, V. A pass\n"
        "needs both answers ended by the prompt, neither saying \"fail\" or \"error\", and the\n"
        "--program-ok and --verify-ok words. Each chip's line is in the log before P is sent, and again\n"
        "with its result; a run on the same log goes on above the highest serial it holds, so that no\n"
        "number is given twice. The run ends with \"batch: P passed, F failed, serials A..B\", exit 0\n"
        "when no chip failed, 1 when one did. In a gang each site's trace log (--log) is LOG.N.");
}

}  // namespace

ParseOutcome ParseArguments(const std::vector<std::string> &given, CliOptions &options,
                            std::string &message)
{
    // zm32's options go to zm32's readers as they are; everything else to CLI11.
    const std::vector<std::string> args = JoinSettingsValues(given);
    std::vector<std::string> rest;
    bool beforeCommand = true;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        // As for zm32, empty arguments never count among its options.
        if (beforeCommand && arg.empty())
            continue;
        if (!optionsEnd && IsSettingsArg(arg, beforeCommand)) {
            options.settingsArgs.push_back(arg);
            continue;
        }
        rest.push_back(arg);
        if (arg == "--")
            optionsEnd = true;
        else if (kValueOptions.count(arg) && i + 1 < args.size())
            rest.push_back(args[++i]);
        else if (beforeCommand && kCommands.count(arg))
            beforeCommand = false;
    }

    const std::string word = FirstWord(rest);
    if (!word.empty() && !kCommands.count(word)) {
        message = "zmcli: unknown command '" + word + "'";
        return ParseOutcome::Error;
    }

    CLI::App app(kDescription, "zmcli");
    app.footer(kFooter);
    app.require_subcommand(1);
    app.fallthrough();
    std::string log, chip;
    auto *chipOption = app.add_option("--chip", chip, "the part in the socket: its whole range (zm32.ini's chip; none for no part)")
        ->type_name("PART");
    auto *logOption = app.add_option("--log", log, "trace log of every byte sent and received (zm32.ini's log)")
        ->type_name("FILE");
    app.add_flag("--quiet", options.quiet, "no progress line");
    app.add_flag("--echo", options.echo, "print what a transfer sends, as zm32's pane shows it");
    app.add_flag("--version", "print zmcli's version");
    int32_t delay = 0;
    auto *delayOption = app.add_option("--delay", delay, "milliseconds after each character sent (zm32.ini's delayms)")
        ->type_name("MS")->check(CLI::Range(0, 60000));
    std::string flow;
    auto *flowOption = app.add_option("--flow", flow, "flow control (zm32.ini's flow)")
        ->check(CLI::IsMember({"none", "ctsrts", "dtrdsr"}));

    auto *term = app.add_subcommand("term", "a terminal on the programmer in this console; Ctrl-] ends it");
    term->add_flag("--raw", options.raw, "received bytes as they are, not named as zm32's pane names them");
    term->add_flag("--timestamps", options.timestamps, "each line the programmer sends starts with the time (zm32.ini's timestamps)");
    term->add_flag("--hex", options.hexView, "every byte as two hex digits, 16 a line (zm32.ini's hexview)");
    term->add_option("--log-text", options.logText, "append what the console shows to FILE, a line at a time")
        ->type_name("FILE");
    auto *send = app.add_subcommand("send", "send TEXT as typed keys, print the answer up to the next prompt");
    send->add_option("TEXT", options.text, "the keys, e.g. V")->required();
    send->add_flag("--raw", options.raw, "the answer as it is, not named as zm32's pane names it");
    send->add_option("--expect", options.expect, "exit 1 unless the answers contain WORDS (exact bytes)")
        ->type_name("WORDS");
    send->add_flag("--enter", options.enter, "a carriage return after TEXT (send X0000 --enter examines)");
    auto *download = app.add_subcommand("download", "send an image to the programmer (I, T): an Intel hex file as its lines, as zm32 does; S-records or binary as Intel hex records");
    download->add_option("FILE", options.file, "the Intel hex file, S-record file or binary image")->required();
    download->add_flag("--verify", options.verify, "read back what FILE defines and compare (as verify)");
    auto *verify = app.add_subcommand("verify", "read back (X) the addresses FILE defines and compare");
    verify->add_option("FILE", options.file, "the Intel hex file, S-record file or binary image")->required();
    verify->add_flag("--all", options.all, "every differing byte, one a line, not only the first");
    std::string lane;
    AddBatch(app, options.batch, options.file);
    for (CLI::App *command : {download, verify}) {
        command->add_flag("--hex", options.hex, "FILE is records (Intel hex or S-records), whatever it looks like");
        command->add_option("--lane", lane, "one chip of a split image: every M-th byte from byte N on (0/2 even, 1/2 odd)")
            ->type_name("N/M")
            ->check(CLI::Validator(
                [](std::string &value) {
                    unsigned n = 0, m = 0;
                    return ReadLane(value, n, m) && m >= 2 && m <= 8 && n < m
                               ? std::string()
                               : "--lane wants N/M, M from 2 to 8 and N below it: " + value;
                },
                "N/M"));
        command->add_flag("--binary", options.binary, "FILE is a binary image, whatever it looks like");
        command->add_option("--start", options.start, "a binary image's first address (default 0)")
            ->transform(HexNumber());
        command->add_option("--offset", options.bias, "subtracted from each record's address, as dabrix's -o")
            ->transform(HexNumber())->type_name("HEX");
    }
    auto *uploadBin = app.add_subcommand("upload-bin", "read memory byte by byte (X) into a binary file");
    uploadBin->add_option("FILE", options.file, "the binary file (replaced)")->required();
    uploadBin->add_option("--start", options.start, "first address (zm32.ini's uploadbinstart)")
        ->transform(HexNumber());
    uploadBin->add_option("--bytes", options.bytes, "number of bytes (zm32.ini's uploadbinbytes)")
        ->transform(HexNumber());
    auto *uploadHex = app.add_subcommand("upload-hex", "the programmer's memory as Intel hex text (I, U) into a file");
    uploadHex->add_option("FILE", options.file, "the hex file (replaced)")->required();
    uploadHex->add_option("--offset", options.offset, "the character sent after U (zm32.ini's uploadoffset)")
        ->check(CLI::Validator(
            [](std::string &value) { return value.size() == 1 ? std::string() : "one character: " + value; },
            "C"));
    uploadHex->add_option("--stop", options.stop, "ends after the first record above this address (zm32.ini's uploadhexstop)")
        ->transform(HexNumber());

    auto *blank = app.add_subcommand("blank", "is the part (or the upload range) all FF? exit 1 when not");
    blank->add_option("--start", options.start, "first address (zm32.ini's uploadbinstart)")->transform(HexNumber());
    blank->add_option("--bytes", options.bytes, "number of bytes (zm32.ini's uploadbinbytes)")->transform(HexNumber());
    app.add_subcommand("chips", "list the parts --chip takes: name, bytes, width, where it comes from");

    auto *ports = app.add_subcommand("ports", "list the serial ports present: COMn, device, stable name, what it is");
    ports->footer(
        "One port a line: the port number that opens it (COMn: ZMHW_COM<n>, else [ports] of the\n"
        "settings file, else /dev/ttyS<n-1>; - for none), the device, its link in /dev/serial/by-id\n"
        "(else by-path; - for none), and what it is: product, maker, USB vendor:product id, serial\n"
        "number. Devices that ZMHW_COM<n> or [ports] name are listed too, present or not.\n"
        "No port is opened; the exit status is 0, also when there is none.");

    const auto versionAsked = [&] {
        message = "zmcli " ZM_VERSION;
        return app.get_option("--version")->count() > 0;
    };
    std::reverse(rest.begin(), rest.end());
    try {
        app.parse(rest);
    } catch (const CLI::CallForHelp &) {
        message = app.help();
        return ParseOutcome::Help;
    } catch (const CLI::ParseError &e) {
        // --version alone: the missing command is no error then.
        if (versionAsked())
            return ParseOutcome::Version;
        message = std::string(e.what()) + "\nRun with --help for more information.";
        return ParseOutcome::Error;
    }
    if (logOption->count() > 0)
        options.log = log;
    if (chipOption->count() > 0)
        options.chip = chip;
    if (versionAsked())
        return ParseOutcome::Version;
    if (delayOption->count() > 0)
        options.delay = delay;
    if (flowOption->count() > 0)
        options.flow = flow == "ctsrts" ? 1 : flow == "dtrdsr" ? 2 : 0;
    if (options.hex && options.binary) {
        message = "--hex and --binary exclude each other\nRun with --help for more information.";
        return ParseOutcome::Error;
    }
    if (!lane.empty())
        ReadLane(lane, options.lane, options.laneCount);
    options.command = app.get_subcommands().front()->get_name();
    return ParseOutcome::Run;
}
