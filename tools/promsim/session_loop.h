// The poll loop that joins the line, the device and the transmitter.
#pragma once

#include <string>

namespace promsim {

class Device;
class DeviceLink;
class PtyLine;
class StopSignals;
class Trace;
struct Options;

struct LoopParts {
    const Options &options;
    Device &device;
    PtyLine &line;
    DeviceLink *link;   // null without --link
    Trace &trace;
    StopSignals &signals;
};

// Plays the programmer until a signal, the end of the line with --once, or a hang-up
// fault. Returns the exit status.
int RunLoop(LoopParts parts);

} // namespace promsim
