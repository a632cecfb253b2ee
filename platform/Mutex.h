#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

// A recursive mutex owned by one thread at a time, which that thread may take again
// (the stand-in for a Win32 mutex). Any thread may call it; AutoLock is the usual way in.
class Mutex {
  public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Waits without time limit. Returns true when the calling thread owns the mutex.
    bool lock();
    // Waits at most `milliseconds`. True when the calling thread now owns the mutex (at once
    // when it owned it already); false when another thread kept it all that time.
    bool tryLockFor(int milliseconds);
    // Gives one level of ownership back. Fails (returns false) when the caller does not own it.
    bool unlock();
    // True when the calling thread owns the mutex.
    bool ownedByCaller() const;
    // A number that names this mutex in trace lines.
    unsigned handle() const;

  private:
    void taken();

    std::recursive_mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    int depth_ = 0; // guarded by mutex_
};
