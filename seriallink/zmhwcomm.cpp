// The eight exports and their extensions. Nothing raised inside may cross them: every failure
// becomes -4, and its cause is kept for zmhwERROR.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <set>

#include "commport.h"
#include "lastfailure.h"
#include "platform/system_error.h"
#include "portsettings.h"

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

// The ports this library made and has not deleted. Only these are ever dereferenced: any other
// handle fails. An open on a variable that holds one of them is refused, where overwriting it
// would lose the port and its lock. A spin lock, since the win32-threads runtime of mingw-w64
// has no std::mutex.
class LivePorts {
public:
    bool Holds(intptr_t handle)
    {
        const Guard guard(busy_);
        return ports_.count(handle) != 0;
    }
    void Add(intptr_t handle)
    {
        const Guard guard(busy_);
        ports_.insert(handle);
    }
    void Remove(intptr_t handle)
    {
        const Guard guard(busy_);
        ports_.erase(handle);
    }

private:
    struct Guard {
        explicit Guard(std::atomic_flag &flag) : flag_(flag)
        {
            while (flag_.test_and_set(std::memory_order_acquire)) {
            }
        }
        ~Guard() { flag_.clear(std::memory_order_release); }
        std::atomic_flag &flag_;
    };

    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
    std::set<intptr_t> ports_;
};

LivePorts &Live()
{
    static LivePorts ports;
    return ports;
}

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

template <typename Operation>
int32_t OnPort(intptr_t handle, Operation operation)
{
    if (!Live().Holds(handle))
        return FailedBadHandle();
    auto &port = *reinterpret_cast<TCommPort *>(handle);
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
    if (Live().Holds(*handle))
        return FailedBadHandle("the variable still holds an open port of this library");
    TCommPort *p = new (std::nothrow) TCommPort;
    if (!p)
        return Failed(ECommError(kCommCreateFile, ERROR_NOT_ENOUGH_MEMORY), ComPortName(port));
    *handle = reinterpret_cast<intptr_t>(p);
    try {
        p->SetPortName(ComPortName(port));
        p->SetBaudRate(static_cast<uint32_t>(baud));
        p->SetByteSize(static_cast<uint8_t>(databits));
        p->SetStopBits(StopBitsFromCode(stopbits));
        p->SetParity(ParityFromLetter(static_cast<uint8_t>(parity)));
        p->SetHandshaking(flow);
        p->OpenPort();
        Live().Add(*handle);
        return 0;
    } catch (const ECommError &error) {
        Failed(error, ComPortName(port));
    } catch (...) {
        Failed(ECommError(kCommCreateFile, ERROR_NOT_ENOUGH_MEMORY), ComPortName(port));
    }
    // Nothing of a failed open stays: OpenPort closed what it opened.
    delete p;
    *handle = 0;
    return kFailure;
}

int32_t ZMHW_API zmhwClose(intptr_t *handle)
{
    if (!handle)
        return FailedBadHandle("no variable for the port (NULL)");
    if (*handle == 0)
        return 0;
    if (!Live().Holds(*handle))
        return FailedBadHandle();
    auto *port = reinterpret_cast<TCommPort *>(*handle);
    try {
        port->ClosePort();
    } catch (const ECommError &error) {
        // The port is closed even so; the variable keeps it until a close succeeds.
        return Failed(error, port->PortName());
    }
    Live().Remove(*handle);
    delete port;
    *handle = 0;
    return 0;
}

int32_t ZMHW_API zmhwTX(intptr_t handle, int32_t value)
{
    return OnPort(handle, [value](TCommPort &p) {
        p.WriteByte(static_cast<uint8_t>(value));
        return 0;
    });
}

int32_t ZMHW_API zmhwRX(intptr_t handle)
{
    return OnPort(handle, [](TCommPort &p) { return static_cast<int32_t>(p.ReadByte()); });
}

int32_t ZMHW_API zmhwRXQ(intptr_t handle)
{
    return OnPort(handle, [](TCommPort &p) { return static_cast<int32_t>(p.BytesToRead()); });
}

int32_t ZMHW_API zmhwTXQ(intptr_t handle)
{
    return OnPort(handle, [](TCommPort &p) { return static_cast<int32_t>(p.BytesToWrite()); });
}

int32_t ZMHW_API zmhwQ_CLEAR(intptr_t handle)
{
    return OnPort(handle, [](TCommPort &p) {
        p.PurgeInput();
        return 0;
    });
}

int32_t ZMHW_API zmhwLINE(intptr_t handle, intptr_t *line)
{
    if (!line)
        return FailedBadHandle("no variable for the line (NULL)");
    return OnPort(handle, [line](TCommPort &p) {
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
