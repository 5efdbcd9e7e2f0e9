// The tests' look inside the window's logic: the state that only its own handlers change.
#pragma once

#include "main_window_logic.h"

class WindowLogicProbe {
public:
    static SessionHost &Host(MainWindowLogic &logic) { return logic; }
    static bool CloseAfterTransfer(const MainWindowLogic &logic) { return logic.closeAfterTransfer_; }
    static bool WaitPumpingRunning(const MainWindowLogic &logic) { return logic.waitPumping_; }
    static void SetReceiveDisplay(MainWindowLogic &logic, bool on) { logic.SetReceiveDisplay(on); }
};
