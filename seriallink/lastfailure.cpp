#include "lastfailure.h"

#include "zmhwcomm.h"

namespace {

thread_local LastFailure last;

int32_t StepOf(const ECommError &error)
{
    switch (error.Kind()) {
    case kCommCreateFile:
        return zmhw::MeansInUse(error.SystemError()) ? ZMHW_STEP_LOCK : ZMHW_STEP_OPEN;
    // A device that does not answer as a serial port does: opened, but not as one.
    case kCommGetState:
    case kCommSetup:
    case kCommTimeouts: return ZMHW_STEP_OPEN;
    case kCommRead: return ZMHW_STEP_READ;
    case kCommWrite: return ZMHW_STEP_WRITE;
    case kCommClose: return ZMHW_STEP_CLOSE;
    case kCommPurge:
    case kCommQueues: return ZMHW_STEP_QUEUE;
    case kCommNotOpen: return ZMHW_STEP_HANDLE;
    default: return ZMHW_STEP_SETTINGS;
    }
}

const char *StepName(int32_t step)
{
    switch (step) {
    case ZMHW_STEP_OPEN: return "open";
    case ZMHW_STEP_LOCK: return "lock";
    case ZMHW_STEP_READ: return "read";
    case ZMHW_STEP_WRITE: return "write";
    case ZMHW_STEP_CLOSE: return "close";
    case ZMHW_STEP_QUEUE: return "queue";
    case ZMHW_STEP_HANDLE: return "handle";
    default: return "settings";
    }
}

// The time-outs are the library's own, and say more than the system's words for them.
std::string CauseText(const ECommError &error)
{
    if (error.PlatformError() == ERROR_TIMEOUT && error.Kind() == kCommRead)
        return "no byte within the read time-out";
    if (error.PlatformError() == ERROR_TIMEOUT && error.Kind() == kCommWrite)
        return "not sent within the write time-out";
    if (error.Kind() == kCommNotOpen)
        return "the port is not open";
    return zmhw::SystemErrorText(error.SystemError()) + " (error " + std::to_string(error.SystemError()) + ")";
}

}  // namespace

LastFailure FailureOf(const ECommError &error, const std::string &portName)
{
    const int32_t step = StepOf(error);
    std::string port = portName;
    const zmhw::PortDevice device = zmhw::DeviceOfPort(portName);
    if (!device.device.empty() && device.device != portName)
        port += " (" + device.device + ")";
    return {step, error.SystemError(), std::string(StepName(step)) + " " + port + ": " + CauseText(error)};
}

void NoteFailure(const LastFailure &failure)
{
    last = failure;
}

void NoteBadHandle(const std::string &text)
{
    last = {ZMHW_STEP_HANDLE, 0, text};
}

const LastFailure &LastFailureHere()
{
    return last;
}
