#include "open_cause.h"

#include <cerrno>
#include <cstring>

#include "zmhwcomm.h"

std::string OpenProblem(int32_t step, int32_t system, int port)
{
    const std::string setDevice = " (set ZMHW_COM" + std::to_string(port) + " to the programmer's device)";
    if (step == ZMHW_STEP_SETTINGS)
        return {};
    if (step == ZMHW_STEP_LOCK || system == EBUSY)
        return "in use by another program";
    switch (system) {
    case ENOENT: return "No such device" + setDevice;
    case EACCES: return std::string(std::strerror(system)) + " (add your user to the group dialout)";
    case ENXIO:
    case ENODEV: return std::strerror(system) + setDevice;
    case ENOTTY: return "not a serial line";
    default: return std::strerror(system);
    }
}
