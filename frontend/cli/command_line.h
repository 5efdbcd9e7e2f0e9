// zmcli's command line: zm32's own options, read by zm32's readers, and the commands with
// their long options.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CliOptions {
    std::vector<std::string> settingsArgs;  // -p -b -f -i (and "/" forms) for LoadSettings
    std::optional<std::string> log;  // --log given, maybe empty (no trace log)
    bool quiet = false;
    bool echo = false;
    std::string command;  // term, send, download, upload-bin, upload-hex
    std::string text;     // send
    std::string file;     // the transfers
    bool raw = false;     // term, send
    // Given in hexadecimal, "$" dropped; empty when not given.
    std::string start, bytes, stop;
    std::string offset;  // one character; empty when not given
};

enum class ParseOutcome { Run, Help, Error };

// Fills `options`; Help and Error leave the text to print (help on standard output, an error
// on standard error) in `message`.
ParseOutcome ParseArguments(const std::vector<std::string> &args, CliOptions &options,
                            std::string &message);
