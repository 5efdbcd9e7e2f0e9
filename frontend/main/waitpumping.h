// The wait that keeps the window working.
#pragma once

#include <cstdint>

// Waits while the window keeps working (at most kLongestWaitMs); a nested call returns at once.
void WaitWhilePumping(int32_t ms);
bool WaitWhilePumpingRunning();
