#include "connection.h"

#include "settings.h"
#include "zmhwcomm.h"

namespace {

// How often a lost connection is looked for again.
constexpr int32_t kReopenMs = 1000;
// What the programmer may say at the end of a download: more is not kept.
constexpr size_t kLongestTaken = 4096;

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
        intptr_t line = -1;
        // Descriptors and the handles of Windows both fit an int.
        line_ = zmhwLINE(port_, &line) == 0 ? static_cast<int>(line) : -1;
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

std::string Connection::TakeReceived(bool &lostNow)
{
    // Read rather than purged: a purge would also drop what arrives while the waiting bytes
    // are read, such as the second half of the programmer's report. A line that never stops
    // talking is purged after a report's worth, as before.
    std::string taken;
    for (int32_t waiting = ReceiveQueue(lostNow); waiting > 0; waiting = ReceiveQueue(lostNow)) {
        if (taken.size() >= kLongestTaken) {
            ClearReceiveQueue(lostNow);
            break;
        }
        for (; waiting > 0; --waiting) {
            const int32_t value = zmhwRX(port_);
            if (value < 0)
                return taken;
            taken += static_cast<char>(value);
        }
    }
    return taken;
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

PortDevice ChoosePortDevice(int32_t port, const std::map<int32_t, std::string> &ports,
                            const std::string &settingsPath)
{
    // Windows has no such map, and keeps its own names.
    const auto entry = ports.find(port);
    zmhwMAP(port, entry != ports.end() ? entry->second.c_str() : nullptr);
    char device[4096];
    switch (zmhwPORT(port, device, sizeof device)) {
    case ZMHW_BUILT_IN: return {device, ""};
    case ZMHW_FROM_ENVIRONMENT: return {device, "ZMHW_COM" + std::to_string(port)};
    case ZMHW_FROM_MAP: return {device, "[ports] of " + settingsPath};
    default: return {};
    }
}

std::string PortDevicePath(int32_t port)
{
    char device[4096];
    return zmhwPORT(port, device, sizeof device) >= 0 ? device : std::string();
}

std::string PortName(int32_t port)
{
    const std::string name = "COM" + std::to_string(port);
    const std::string device = PortDevicePath(port);
    return device.empty() || device == name ? name : name + " (" + device + ")";
}
