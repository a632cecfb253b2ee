#pragma once

#include "Mutex.h"

// Scoped owner of a Mutex: waits for it without time limit on construction and gives it back
// on destruction, unless release() gave it back earlier.
class AutoLock {
  public:
    explicit AutoLock(Mutex& mutex);
    ~AutoLock();
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

    // Gives the mutex back now; the destructor then does nothing.
    void release();
    bool held() const { return notHeld_ == 0; }

  private:
    Mutex& mutex_;
    int notHeld_;
};
