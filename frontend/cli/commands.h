// The commands of zmcli on an open session; each returns the program's exit status.
#pragma once

#include "chip_run.h"
#include "command_line.h"
#include "console_host.h"
#include "image/image_file.h"
#include "serial_ports.h"

namespace exit_status {
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotOpened = 3;
}  // namespace exit_status

// The programmer's prompt, and how long a quiet line means that no more of an answer comes.
inline const std::string kPrompt = kProgrammerPrompt;
constexpr int32_t kAnswerQuietMs = 2000;

// How a transfer ended, as the progress line's last word says it.
const char *EndingText(TransferEnd end);

int RunTerm(ConsoleHost &host, const CliOptions &options);
int RunSend(ConsoleHost &host, const CliOptions &options);
int RunTransfer(ConsoleHost &host, const CliOptions &options);
int RunVerify(ConsoleHost &host, const CliOptions &options);
int RunBlank(ConsoleHost &host, const CliOptions &options);
// A run of chips on its own sessions, one a port: the port of `host` is not opened.
int RunBatch(ConsoleHost &host, const CliOptions &options);
// The parts --chip takes, one a line, and the [chips] entries refused.
int RunChips(ConsoleHost &host);

// The last line of a transfer that ended well: "COMMAND: sum16 XXXX crc32 XXXXXXXX", also
// when quiet.
void SaySums(ConsoleHost &host, const CliOptions &options, const MemoryImage &image);
// The serial ports present (below `root`, see ListSerialPorts), one a line; no port is opened.
int RunPorts(ConsoleHost &host, const std::string &root = "/");
// ports: COMn or "-", device, stable name or "-", what it is; the first three in columns.
std::string PortLines(const std::vector<SerialPortInfo> &ports);

// verify.cpp: FILE as the options say to read it; an exit status, and why in `error`. The
// file's text is left in `text` when one is given, so that it is read once.
int LoadImage(const CliOptions &options, MemoryImage &image, std::string &error, std::string *text = nullptr);
// Reads back what `image` defines and compares; says the outcome, returns the exit status.
int VerifyImage(ConsoleHost &host, const CliOptions &options, const MemoryImage &image);
