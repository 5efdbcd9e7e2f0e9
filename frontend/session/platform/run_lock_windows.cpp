#include "run_lock.h"

#include <windows.h>

struct RunLock::State {
    SRWLOCK lock = SRWLOCK_INIT;
};

RunLock::RunLock() : state_(std::make_unique<State>()) {}
RunLock::~RunLock() = default;
void RunLock::lock() { AcquireSRWLockExclusive(&state_->lock); }
void RunLock::unlock() { ReleaseSRWLockExclusive(&state_->lock); }
