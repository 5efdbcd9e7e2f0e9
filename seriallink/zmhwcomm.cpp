// The eight exports and their extensions. Nothing raised inside may cross them: every failure
// becomes -4, and its cause is kept for zmhwERROR.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "lastfailure.h"
#include "platform/system_error.h"
#include "portsettings.h"
#include "porttable.h"

// The front-end's declaration is the one defined here, so the two cannot drift apart.
#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility push(default)
#endif
#include "zmhwcomm.h"
#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility pop
#endif

namespace {

constexpr int32_t kFailure = -4;
const char kVersionTag[] = "uhk";

const char kNotOurs[] = "not a port of this library";

// The failure's cause for zmhwERROR; the result for `return Failed(...)`.
int32_t Failed(const ECommError &error, const std::string &portName)
{
    NoteFailure(FailureOf(error, portName));
    return kFailure;
}

int32_t FailedBadHandle(const char *text = kNotOurs)
{
    NoteBadHandle(text);
    return kFailure;
}

// Runs `operation` on the port of `handle` in its turn: zmhwTX's `writes`, the others' reads.
template <typename Operation>
int32_t OnPort(intptr_t handle, bool writes, Operation operation)
{
    const std::shared_ptr<OpenPort> open = Ports().Find(handle);
    if (!open)
        return FailedBadHandle();
    const std::lock_guard<zmhw::Mutex> turn(writes ? open->writing : open->reading);
    TCommPort &port = open->port;
    try {
        return operation(port);
    } catch (const ECommError &error) {
        return Failed(error, port.PortName());
    } catch (...) {
        return Failed(ECommError(kCommQueues, ERROR_NOT_ENOUGH_MEMORY), port.PortName());
    }
}

// Copies `text` with its zero into a caller's buffer of `size` bytes; false when it does not fit.
bool CopyOut(const std::string &text, char *buffer, int32_t size)
{
    if (!buffer || size <= 0)
        return false;
    if (text.size() >= static_cast<size_t>(size)) {
        buffer[0] = 0;
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

int32_t ZMHW_API zmhwOpen(intptr_t *handle, int32_t port, int32_t baud, int32_t databits,
                          int32_t stopbits, int32_t parity, int32_t flow)
{
    if (!handle)
        return FailedBadHandle("no variable for the port (NULL)");
    if (Ports().Holds(*handle))
        return FailedBadHandle("the variable still holds an open port of this library");
    std::shared_ptr<OpenPort> open;
    try {
        open = std::make_shared<OpenPort>();
    } catch (...) {
        return Failed(ECommError(kCommCreateFile, ERROR_NOT_ENOUGH_MEMORY), ComPortName(port));
    }
    const intptr_t made = Ports().NewHandle();
    if (!made)
        return FailedBadHandle("no handle left in this process");
    *handle = made;
    TCommPort *p = &open->port;
    try {
        p->SetPortName(ComPortName(port));
        p->SetBaudRate(static_cast<uint32_t>(baud));
        p->SetByteSize(static_cast<uint8_t>(databits));
        p->SetStopBits(StopBitsFromCode(stopbits));
        p->SetParity(ParityFromLetter(static_cast<uint8_t>(parity)));
        p->SetHandshaking(flow);
        p->OpenPort();
        Ports().Add(made, std::move(open));
        return 0;
    } catch (const ECommError &error) {
        Failed(error, ComPortName(port));
    } catch (...) {
        Failed(ECommError(kCommCreateFile, ERROR_NOT_ENOUGH_MEMORY), ComPortName(port));
    }
    // Nothing of a failed open stays: OpenPort closed what it opened.
    *handle = 0;
    return kFailure;
}

int32_t ZMHW_API zmhwClose(intptr_t *handle)
{
    if (!handle)
        return FailedBadHandle("no variable for the port (NULL)");
    const intptr_t closing = *handle;
    if (closing == 0)
        return 0;
    const std::shared_ptr<OpenPort> open = Ports().BeginClose(closing);
    if (!open)
        return FailedBadHandle();
    try {
        // The calls under way end first; any that come later find the handle gone.
        const std::lock_guard<zmhw::Mutex> reads(open->reading);
        const std::lock_guard<zmhw::Mutex> writes(open->writing);
        open->port.ClosePort();
    } catch (const ECommError &error) {
        // The port is closed even so; the variable keeps it until a close succeeds.
        Ports().EndClose(closing, false);
        return Failed(error, open->port.PortName());
    }
    Ports().EndClose(closing, true);
    *handle = 0;
    return 0;
}

int32_t ZMHW_API zmhwTX(intptr_t handle, int32_t value)
{
    return OnPort(handle, true, [value](TCommPort &p) {
        p.WriteByte(static_cast<uint8_t>(value));
        return 0;
    });
}

int32_t ZMHW_API zmhwRX(intptr_t handle)
{
    return OnPort(handle, false, [](TCommPort &p) { return static_cast<int32_t>(p.ReadByte()); });
}

int32_t ZMHW_API zmhwRXQ(intptr_t handle)
{
    return OnPort(handle, false, [](TCommPort &p) { return static_cast<int32_t>(p.BytesToRead()); });
}

int32_t ZMHW_API zmhwTXQ(intptr_t handle)
{
    return OnPort(handle, false, [](TCommPort &p) { return static_cast<int32_t>(p.BytesToWrite()); });
}

int32_t ZMHW_API zmhwQ_CLEAR(intptr_t handle)
{
    return OnPort(handle, false, [](TCommPort &p) {
        p.PurgeInput();
        return 0;
    });
}

int32_t ZMHW_API zmhwLINE(intptr_t handle, intptr_t *line)
{
    if (!line)
        return FailedBadHandle("no variable for the line (NULL)");
    return OnPort(handle, false, [line](TCommPort &p) {
        *line = p.Waitable();
        return 0;
    });
}

int32_t ZMHW_API zmhwERROR(int32_t *system, char *text, int32_t size)
{
    const LastFailure &failure = LastFailureHere();
    if (system)
        *system = failure.system;
    if (text && size > 0) {
        // A line cut short still says the most of it.
        const size_t n = std::min(failure.text.size(), static_cast<size_t>(size) - 1);
        std::memcpy(text, failure.text.data(), n);
        text[n] = 0;
    }
    return failure.step;
}

int32_t ZMHW_API zmhwPORT(int32_t port, char *device, int32_t size)
{
    try {
        const zmhw::PortDevice found = zmhw::DeviceOfPort(ComPortName(port));
        if (found.device.empty() || !CopyOut(found.device, device, size))
            return kFailure;
        return found.origin;
    } catch (...) {
        return kFailure;
    }
}

int32_t ZMHW_API zmhwNUMBER(const char *device, int32_t after, int32_t *origin)
{
    try {
        int32_t found = zmhw::kBuiltIn;
        const int32_t number = zmhw::PortNumberOf(device, after, found);
        if (number <= 0)
            return kFailure;
        if (origin)
            *origin = found;
        return number;
    } catch (...) {
        return kFailure;
    }
}

int32_t ZMHW_API zmhwMAP(int32_t port, const char *device)
{
    try {
        return zmhw::MapPort(port, device ? device : "") ? 0 : kFailure;
    } catch (...) {
        return kFailure;
    }
}

const char *zmotla(void)
{
    return kVersionTag;
}
