// The serial ports present with the port number (COMn) each is opened as, and the settings that
// make a port the one used.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "connection.h"
#include "serial_ports.h"
#include "settings.h"
#include "settings_writer.h"

// The device that port number `port` opens and where that comes from, as the session's open
// chooses it (the serial library's map, given the [ports] entry).
PortDevice MappedPortDevice(int32_t port, const std::map<int32_t, std::string> &ports,
                            const std::string &settingsPath);

// The ports present (ListSerialPorts of `root`), each with the lowest port number that opens it,
// then one row for each port number that the environment or `ports` (the [ports] section of
// `settingsPath`) gives a device that is not among them.
std::vector<SerialPortInfo> ListPortsWithNumbers(const std::map<int32_t, std::string> &ports,
                                                 const std::string &settingsPath, const std::string &root = "/");

// The port that `choice` makes the one used: a COM name gives its number alone; a device (as
// listed, by its stable name, or typed) keeps the port number that already opens it, else takes
// `currentPort`, and is to be stored under that number in [ports] by its stable name where it has
// one, unless the built-in map already opens it so. Blanks around `choice` do not count; none for
// a choice of blanks only.
std::optional<PortChoice> PortChoiceOf(const std::string &choice, const std::vector<SerialPortInfo> &listed,
                                       int32_t currentPort, const std::string &root = "/");
