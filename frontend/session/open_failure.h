// Why the port could not be opened, from what the serial library saw (zmhwERROR).
#pragma once

#include <cstdint>
#include <string>

struct ZM32OP;
struct SettingsState;
struct PortDevice;

// The serial library's cause of the last failure on this thread.
struct LibraryCause {
    int32_t step = 0;
    int32_t system = 0;
};
LibraryCause LastLibraryCause();

// One line: the port, the device it stands for, where that came from (ZMHW_COMn, or the
// [ports] section of a settings file) and the cause, e.g.
// "COM1 is /dev/ttyUSB0 (from ZMHW_COM1): Permission denied (add your user to the group
// dialout)"; where the settings file set the port, which file did.
std::string OpenFailureCause(const ZM32OP &settings, const SettingsState &found, const PortDevice &chosen,
                             const LibraryCause &cause);
