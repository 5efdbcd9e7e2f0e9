// A look at a serial device without sending anything: whether it is there, may be opened and
// is free. The platform's calls stay behind this face.
#pragma once

#include <string>

// Empty when the device could be opened now; otherwise the cause, as "Permission denied
// (add your user to the group dialout)" or "in use by another program".
std::string DeviceProblem(const std::string &device, int port);
