// The eight exports. Nothing raised inside may cross them: every failure becomes -4.
#include <atomic>
#include <cstdint>
#include <set>

#include "commport.h"
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

// The ports this library made and has not deleted: an open on a variable that holds one of them
// is refused, where overwriting it would lose the port and its lock. A spin lock, since the
// win32-threads runtime of mingw-w64 has no std::mutex.
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

template <typename Operation>
int32_t OnPort(intptr_t handle, Operation operation)
{
    if (handle == 0)
        return kFailure;
    try {
        return operation(*reinterpret_cast<TCommPort *>(handle));
    } catch (...) {
        return kFailure;
    }
}

}  // namespace

int32_t ZMHW_API zmhwOpen(intptr_t *handle, int32_t port, int32_t baud, int32_t databits,
                          int32_t stopbits, int32_t parity, int32_t flow)
{
    if (!handle || Live().Holds(*handle))
        return kFailure;
    int32_t result = kFailure;
    bool cleanUp = false;
    try {
        auto *p = new TCommPort;
        cleanUp = true;
        *handle = reinterpret_cast<intptr_t>(p);
        p->SetPortName(ComPortName(port));
        p->SetBaudRate(static_cast<uint32_t>(baud));
        p->SetByteSize(static_cast<uint8_t>(databits));
        p->SetStopBits(StopBitsFromCode(stopbits));
        p->SetParity(ParityFromLetter(static_cast<uint8_t>(parity)));
        p->SetHandshaking(flow);
        p->OpenPort();
        Live().Add(*handle);
        cleanUp = false;
        result = 0;
    } catch (...) {
    }
    if (cleanUp)
        zmhwClose(handle);
    return result;
}

int32_t ZMHW_API zmhwClose(intptr_t *handle)
{
    if (!handle)
        return kFailure;
    if (*handle == 0)
        return 0;
    auto *port = reinterpret_cast<TCommPort *>(*handle);
    try {
        port->ClosePort();
    } catch (...) {
        // The port is closed even so; the variable keeps it until a close succeeds.
        return kFailure;
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

const char *zmotla(void)
{
    return kVersionTag;
}
