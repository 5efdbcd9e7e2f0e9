#include "connection.h"

#include <cstdlib>

#include "linewait.h"
#include "settings.h"
#include "zmhwcomm.h"

namespace {

// How often a lost connection is looked for again.
constexpr int32_t kReopenMs = 1000;

}  // namespace

Connection::~Connection()
{
    if (port_)
        zmhwClose(&port_);
}

int32_t Connection::Open()
{
    const int32_t result = zmhwOpen(&port_, settings_.port, settings_.baud, settings_.databits,
                                    settings_.stopbits, static_cast<uint8_t>(settings_.parity),
                                    settings_.flow);
    if (result >= 0) {
        state_ = ConnectionState::Up;
        line_ = linewait::FindDescriptor(PortDevice(settings_.port));
    }
    return result;
}

void Connection::Close()
{
    line_ = -1;
    zmhwClose(&port_);
    state_ = ConnectionState::Closed;
}

bool Connection::Lose()
{
    if (state_ != ConnectionState::Up)
        return false;
    state_ = ConnectionState::Lost;
    line_ = -1;
    // The device is gone: its port is given back at once, so that the device can be opened
    // again when it returns.
    zmhwClose(&port_);
    reopenDue_.Arm(kReopenMs);
    return true;
}

int32_t Connection::ReceiveQueue(bool &lostNow)
{
    const int32_t waiting = zmhwRXQ(port_);
    lostNow = waiting < 0 && Lose();
    return waiting;
}

void Connection::ClearReceiveQueue(bool &lostNow)
{
    lostNow = false;
    if (zmhwQ_CLEAR(port_) < 0)
        ReceiveQueue(lostNow);  // tells a device that has gone away
}

bool Connection::ReopenWhenDue()
{
    if (state_ != ConnectionState::Lost || !reopenDue_.Expired())
        return false;
    reopenDue_.Arm(kReopenMs);
    // A port that could not be closed is not opened over.
    return zmhwClose(&port_) >= 0 && Open() >= 0;
}

std::string Connection::LostText() const
{
    return "Line lost: " + PortName(settings_.port) +
           (settings_.reconnect ? "; waiting for it to come back" : "; restart to reconnect (reconnect=0)");
}

std::string Connection::BackText() const
{
    return "Line back: " + PortName(settings_.port);
}

std::string PortName(int32_t port)
{
    const std::string name = "COM" + std::to_string(port);
    const std::string device = PortDevice(port);
    return device.empty() ? name : name + " (" + device + ")";
}

std::string PortDevice(int32_t port)
{
#if defined(_WIN32)
    (void)port;
    return {};
#else
    // As the serial library maps it: $ZMHW_COM<n> when set, else the n-th built-in port.
    const char *configured = std::getenv(("ZMHW_COM" + std::to_string(port)).c_str());
    if (configured && *configured)
        return configured;
    return port > 0 ? "/dev/ttyS" + std::to_string(port - 1) : std::string();
#endif
}
