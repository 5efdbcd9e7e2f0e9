// The tests' look inside a session: its connection, the flags a transfer must leave as it
// found them, and the steps of a transfer that a test drives one at a time.
#pragma once

#include "session.h"

class SessionProbe {
public:
    static ConnectionState State(const Session &s) { return s.connection_.State(); }
    static bool EchoControls(const Session &s) { return s.echoControls_; }
    static void SetEchoControls(Session &s, bool on) { s.echoControls_ = on; }
    static bool StopRequested(const Session &s) { return s.stopRequested_; }
    static void SetTransferRunning(Session &s, bool on) { s.transferRunning_ = on; }
    static int32_t ReceiveQueue(Session &s) { return s.ReceiveQueue(); }
    static bool Reconnect(Session &s) { return s.Reconnect(); }
    static void SendChar(Session &s, uint8_t c) { s.SendChar(c); }
    static void ClearInputSlowly(Session &s, int32_t quietMs) { s.ClearInputSlowly(quietMs); }
};
