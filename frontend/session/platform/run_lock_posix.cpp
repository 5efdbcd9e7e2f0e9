#include "run_lock.h"

#include <mutex>

struct RunLock::State {
    std::mutex mutex;
};

RunLock::RunLock() : state_(std::make_unique<State>()) {}
RunLock::~RunLock() = default;
void RunLock::lock() { state_->mutex.lock(); }
void RunLock::unlock() { state_->mutex.unlock(); }
