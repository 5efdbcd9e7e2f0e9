// A plain lock for what the sites of a run share: the win32-threads runtime of mingw-w64 has no
// std::mutex, so Windows takes a slim reader/writer lock. Works with std::lock_guard.
#pragma once

#include <memory>

class RunLock {
public:
    RunLock();
    ~RunLock();
    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;
    void lock();
    void unlock();

private:
    struct State;
    std::unique_ptr<State> state_;
};
