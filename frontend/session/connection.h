// The connection to the programmer: the port handle, whether it is up, and losing it and
// finding it again.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "timing.h"

struct ZM32OP;

// Up from a successful open; Lost when the device went away after that (its port is then
// closed until it can be opened again); Closed before and after.
enum class ConnectionState { Closed, Up, Lost };

class Connection {
public:
    explicit Connection(const ZM32OP &settings) : settings_(settings) {}
    ~Connection();  // gives the port back
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens the port the settings name, with their line settings; the library's result.
    int32_t Open();
    void Close();
    const intptr_t &Handle() const { return port_; }
    bool IsOpen() const { return port_ != 0; }
    // What a wait can sleep on until the line has a byte (zmhwLINE, see linewait.h): -1 when
    // the port is not open.
    int LineDescriptor() const { return line_; }
    ConnectionState State() const { return state_; }

    // The receive queue count, negative on failure: a failure on an open connection means the
    // device has gone, and the connection is lost (`lostNow` then says so, once).
    int32_t ReceiveQueue(bool &lostNow);
    // Throws away what was received; a failure loses the connection as above.
    void ClearReceiveQueue(bool &lostNow);
    // Empties the queue as a clearing does, but returns what was in it (untraced, as a
    // clearing is).
    std::string TakeReceived(bool &lostNow);
    // While lost: about once a second opens the port again; true when it is back.
    bool ReopenWhenDue();

    // What is said when the connection goes and when it is back.
    std::string LostText() const;
    std::string BackText() const;

private:
    bool Lose();

    const ZM32OP &settings_;
    intptr_t port_ = 0;
    int line_ = -1;
    ConnectionState state_ = ConnectionState::Closed;
    Deadline reopenDue_;
};

// The device a port number opens, and where that comes from.
struct PortDevice {
    std::string path;    // empty for none; on Windows the port's own name
    std::string origin;  // "ZMHW_COM1", "[ports] of /etc/zmtools/zm32.ini"; empty: built in
};

// Hands the [ports] entry for `port` (`ports`, read from `settingsPath`; none takes back an
// earlier one) to the serial library (zmhwMAP), and says which device the library then opens
// for it (zmhwPORT): ZMHW_COMn when set and not empty; else that entry; else /dev/ttyS<n-1>.
// Windows keeps its own names and reads no [ports].
PortDevice ChoosePortDevice(int32_t port, const std::map<int32_t, std::string> &ports,
                            const std::string &settingsPath);

// The device the serial library opens for port `port` (on Windows its name), empty for none.
std::string PortDevicePath(int32_t port);

// Serial port `port` by its name and, where the platform maps the name to a device, that
// device: "COM1 (/dev/ttyUSB0)".
std::string PortName(int32_t port);
