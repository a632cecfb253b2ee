#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "Event.h"

// One joinable thread whose end can be waited for with a time-out (std::thread cannot).
// Owned and joined by whoever started it; never detached.
class Thread {
  public:
    Thread();
    ~Thread(); // joins a thread still running
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts `body` on a new thread. False when the system refuses a new thread.
    bool start(std::function<void()> body);
    bool started() const { return thread_.joinable(); }
    // Waits at most `ms` milliseconds for the body to return; true when it has.
    bool waitFor(unsigned ms);
    void join();
    // The kernel's id of the thread (0 before it runs).
    unsigned long id() const { return tid_; }

  private:
    std::thread thread_;
    Event ended_;
    std::atomic<unsigned long> tid_{0};
};

// Lowers the calling thread's scheduling priority (nice +5), the stand-in for
// "below normal" thread priority.
void lowerCurrentThreadPriority();
// The kernel's id of the calling thread.
unsigned long currentThreadId();
