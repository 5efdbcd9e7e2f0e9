// What the serial library saw when a port did not open, in the words the session shows. The
// system's error numbers are the platform's, so each platform has its own file.
#pragma once

#include <cstdint>
#include <string>

// The cause after "COM1 is /dev/ttyUSB0: ", from zmhwERROR's step and system error, as
// "Permission denied (add your user to the group dialout)" or "in use by another program";
// empty when the device opened but refused a setting.
std::string OpenProblem(int32_t step, int32_t system, int port);
