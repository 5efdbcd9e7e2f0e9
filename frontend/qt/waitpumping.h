// The wait that keeps the window working.
#pragma once

#include <cstdint>

class QSocketNotifier;

// Sleeps at most `ms` until the line (`line`: its notifier, or null) has a byte or the window
// has an event, and handles the window's events that are there. The notifier is left on.
void WaitForLineOrEventsOn(QSocketNotifier *line, int32_t ms);
// Whether WaitForLineOrEventsOn is waiting: a line notifier that fires at any other time
// wakes a loop whose owner does not read the line, and must be turned off.
bool WaitingForLine();
