// SIGTERM, SIGINT and SIGHUP as a readable descriptor, so the poll loop sees them.
#pragma once

namespace promsim {

class StopSignals {
public:
    // Returns false when the signals could not be set up.
    bool Install();
    int Fd() const;
    bool Caught() const;
};

} // namespace promsim
