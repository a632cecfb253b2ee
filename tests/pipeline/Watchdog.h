#pragma once

// Ends the test program with a clear message when a scope lasts longer than it may. The faults
// these tests pin are hangs: without it a regression would stall the whole run until ctest's
// own time-out, with nothing said about what hung.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace cachetest {

// The real standard error, taken before any test captures it.
inline const int realStandardError = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);

class Watchdog {
  public:
    // Arms it for `seconds`; `what` names the step that must not hang.
    Watchdog(int seconds, std::string what) : what_(std::move(what))
    {
        thread_ = std::thread([this, seconds] {
            std::unique_lock<std::mutex> hold(mutex_);
            if (done_.wait_for(hold, std::chrono::seconds(seconds), [this] { return finished_; }))
                return;
            dprintf(realStandardError, "WATCHDOG: %s did not end within %d s: hang\n",
                    what_.c_str(), seconds);
            _exit(1);
        });
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

} // namespace cachetest
