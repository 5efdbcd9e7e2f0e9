// A plain lock for the library's threads: the win32-threads runtime of mingw-w64 has no
// std::mutex, so Windows takes a slim reader/writer lock. Works with std::lock_guard.
#pragma once

#include "winserial.h"

#if !defined(_WIN32)
#include <mutex>
#endif

namespace zmhw {

class Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex &) = delete;
    Mutex &operator=(const Mutex &) = delete;
#if defined(_WIN32)
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
#else
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }

private:
    std::mutex mutex_;
#endif
};

}  // namespace zmhw
