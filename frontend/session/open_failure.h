// Why the port could not be opened, found by the session itself: the library says only -4.
#pragma once

#include <string>

struct ZM32OP;
struct SettingsState;
struct PortDevice;

// One line: the port, the device it stands for, where that came from (ZMHW_COMn, or the
// [ports] section of a settings file) and the cause, e.g.
// "COM1 is /dev/ttyUSB0 (from ZMHW_COM1): Permission denied (add your user to the group
// dialout)"; where the settings file set the port, which file did.
std::string OpenFailureCause(const ZM32OP &settings, const SettingsState &found, const PortDevice &chosen);
