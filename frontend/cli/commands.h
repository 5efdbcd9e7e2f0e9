// The commands of zmcli on an open session; each returns the program's exit status.
#pragma once

#include "command_line.h"
#include "console_host.h"

namespace exit_status {
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotOpened = 3;
}  // namespace exit_status

int RunTerm(ConsoleHost &host, const CliOptions &options);
int RunSend(ConsoleHost &host, const CliOptions &options);
int RunTransfer(ConsoleHost &host, const CliOptions &options);
