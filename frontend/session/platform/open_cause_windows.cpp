#include "open_cause.h"

#include <windows.h>

#include "zmhwcomm.h"

std::string OpenProblem(int32_t step, int32_t system, int)
{
    if (step == ZMHW_STEP_SETTINGS)
        return {};
    if (step == ZMHW_STEP_LOCK)
        return "in use by another program";
    if (system == ERROR_FILE_NOT_FOUND)
        return "No such device";
    return "cannot be opened (error " + std::to_string(system) + ")";
}
