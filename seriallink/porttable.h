// The ports this library opened and has not closed, by handle. A handle is a number given once
// in the process, so a closed one never reaches a port opened later; a call holds its port, so
// a close on another thread never frees it under the call.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "commport.h"
#include "platform/mutex.h"

struct OpenPort {
    TCommPort port;
    // zmhwTX takes `writing`, every other call `reading`, a close both (reading first): so a
    // send runs beside a read, and a close waits for the calls under way.
    zmhw::Mutex reading;
    zmhw::Mutex writing;
};

class PortTable {
public:
    // A handle never given before in this process; 0 when none is left.
    intptr_t NewHandle();
    void Add(intptr_t handle, std::shared_ptr<OpenPort> port);
    // The open port of `handle`; null for any other value, and while a close has it.
    std::shared_ptr<OpenPort> Find(intptr_t handle);
    bool Holds(intptr_t handle);
    // The port for one close alone: null when it is not there or another close has it.
    std::shared_ptr<OpenPort> BeginClose(intptr_t handle);
    // Ends BeginClose: the handle goes, or, when the close failed, can be closed again.
    void EndClose(intptr_t handle, bool closed);

private:
    struct Entry {
        std::shared_ptr<OpenPort> port;
        bool closing = false;
    };
    zmhw::Mutex lock_;
    std::map<intptr_t, Entry> ports_;
    uintptr_t last_ = 0;
};

PortTable &Ports();
