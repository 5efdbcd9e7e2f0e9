// zmcli's command line: zm32's own options, read by zm32's readers, and the commands with
// their long options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// batch: a run of chips, each with its serial number and a log line.
struct BatchOptions {
    std::optional<std::string> programOk, verifyOk;  // over zm32.ini's programok, verifyok
    int32_t answerSeconds = 120;
    int64_t count = 0;  // 0: no end but the operator's
    bool stopOnFail = false;
    bool noWait = false;
    std::string serial;  // the address, hex; empty: no serials
    unsigned serialBytes = 4;
    std::string serialFormat = "le";
    uint64_t serialFirst = 1;
    uint64_t serialStep = 1;
    std::optional<uint64_t> serialLast;
    std::string serialOnFail = "skip";
    bool serialRestart = false;
    std::string logRun;  // empty: batch-<date>-<time>.csv
    std::vector<int32_t> ports;  // a gang; empty: the settings' port alone
};

struct CliOptions {
    std::vector<std::string> settingsArgs;  // -p -b -f -i (and "/" forms) for LoadSettings
    std::optional<std::string> log;  // --log given, maybe empty (no trace log)
    std::optional<std::string> chip; // --chip given: the part, "none" for no part
    bool quiet = false;
    bool echo = false;
    std::string command;  // term, send, download, verify, upload-bin, upload-hex, blank, batch, ports, chips
    std::string text;     // send
    std::string file;     // the transfers
    bool raw = false;     // term, send
    // Given in hexadecimal, "$" dropped; empty when not given.
    std::string start, bytes, stop;
    std::string offset;  // one character; empty when not given
    // verify and download: the file's kind forced (--hex, --binary), the bias of records
    // (--offset HEX) and a binary image's first address (--start HEX).
    bool hex = false;
    bool binary = false;
    std::string bias;
    // verify and download: one chip of a split image (--lane N/M), when laneCount is not 0.
    unsigned lane = 0;
    unsigned laneCount = 0;
    bool verify = false;    // download --verify
    bool all = false;       // verify --all: every differing byte
    std::optional<std::string> expect;  // send --expect
    bool enter = false;     // send --enter
    std::optional<int32_t> delay;  // --delay MS
    std::optional<int32_t> flow;   // --flow: 0 none, 1 ctsrts, 2 dtrdsr
    BatchOptions batch;
};

enum class ParseOutcome { Run, Help, Version, Error };

// Fills `options`; Help, Version and Error leave the text to print (help and version on
// standard output, an error on standard error) in `message`.
ParseOutcome ParseArguments(const std::vector<std::string> &args, CliOptions &options,
                            std::string &message);
