// Why the last failing export failed, kept per thread for zmhwERROR.
#pragma once

#include <cstdint>
#include <string>

#include "commerror.h"

struct LastFailure {
    int32_t step = 0;    // ZMHW_STEP_...
    int32_t system = 0;  // errno or GetLastError
    std::string text;
};

// The step that failed with `error` on port `portName`, and the line that says so.
LastFailure FailureOf(const ECommError &error, const std::string &portName);

void NoteFailure(const LastFailure &failure);
// A handle that is no port of this library, or no variable for one.
void NoteBadHandle(const std::string &text);
const LastFailure &LastFailureHere();
