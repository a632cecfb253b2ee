#pragma once

#include <condition_variable>
#include <mutex>

// A Win32-style event. An auto-reset event lets exactly one wait through per set() and
// clears itself as that wait returns; a set() with nobody waiting stays until someone waits.
// A manual-reset event stays set, letting every wait through, until reset(). Thread-safe.
class Event {
  public:
    enum Kind { AutoReset, ManualReset };

    explicit Event(Kind kind, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    // Waits without time limit.
    void wait();
    // Waits at most `ms` milliseconds; true when the event was set.
    bool waitFor(unsigned ms);
    unsigned handle() const;

  private:
    bool consume(); // mutex_ held

    std::mutex mutex_;
    std::condition_variable cond_;
    const Kind kind_;
    bool set_;
};
