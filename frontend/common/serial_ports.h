// The serial ports present on this machine, each with what it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SerialPortInfo {
    std::string device;       // what opens it: /dev/ttyUSB0; on Windows COM3
    std::string stableName;   // a /dev/serial/by-id link to it, else by-path; empty when none
    std::string description;  // a USB adapter's product, the kind of UART, Windows' friendly name
    std::string manufacturer;
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
    std::string serialNumber;
    // The port number zm32 opens it as (COMn) and where that comes from ("ZMHW_COM3",
    // "[ports] of FILE", empty for the built-in map); 0 when no number names it.
    int32_t port = 0;
    std::string portOrigin;
    // False for a device that a port number names but the system does not list (a
    // pseudo-terminal, an adapter unplugged).
    bool present = true;
};

// The ports present, in the order of their device names (ttyS2 before ttyS10). On Linux they are
// read from the sysfs and /dev below `root` (tests give a made-up tree); Windows ignores it.
std::vector<SerialPortInfo> ListSerialPorts(const std::string &root = "/");

// What the port is, in one line: description, maker, USB ids and serial number as known.
std::string PortSummary(const SerialPortInfo &info);

// Orders device names with their numbers compared as numbers.
bool DeviceNameLess(const std::string &a, const std::string &b);
