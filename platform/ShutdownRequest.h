#pragma once

#include <atomic>
#include <functional>

// Ending the program from outside: a termination signal (SIGTERM, SIGHUP, SIGINT) or the loss
// of the display. The signal handler only counts the signal, writes a trace line, arms the
// watchdog and wakes the UI thread through a pipe; the UI thread then cancels the dialogs and
// quits as Quit does. A second signal ends the process at once. Once a shut-down is asked for,
// message boxes and the program's modal dialogs are no longer shown.

class ShutdownRequest {
  public:
    enum class Outcome { ShutDown, EndNow };

    // Notes a termination signal: the first asks for an orderly shut-down, any later one for
    // ending the process at once. Async-signal-safe, any thread.
    Outcome onSignal(int signal) noexcept;

    // Asks for a shut-down that no signal started (the display went away). Any thread.
    void request() noexcept { requested_.store(true); }

    // True once a shut-down was asked for. Async-signal-safe, any thread.
    bool requested() const noexcept { return requested_.load(); }

    // The first signal's number, 0 when none arrived.
    int signal() const noexcept { return first_.load(); }

  private:
    std::atomic<int> count_{0};
    std::atomic<int> first_{0};
    std::atomic<bool> requested_{false};
};

// The process's one request, which the handlers, the dialogs and the modal loops consult.
ShutdownRequest& shutdownRequest();

// shutdownRequest().requested(): no dialog or message box may be shown any more.
bool shuttingDown();

// Seconds from the first signal until the watchdog ends a shut-down that has not finished
// (a hang): well inside the 10 s a session manager allows.
constexpr unsigned kShutdownWatchdogSeconds = 8;

// Installs the handlers of SIGTERM, SIGHUP and SIGINT. Returns the read end of the pipe that
// becomes readable at the first signal, for the event loop to watch; -1 (traced) when the pipe
// cannot be made, and the signals then keep their default action. UI thread, once.
int installShutdownSignals(unsigned watchdogSeconds = kShutdownWatchdogSeconds);

// UI thread: empties the wake-up pipe. Returns the first signal's number, 0 when none came.
int takeShutdownSignal();

// When a signal asked for the shut-down, ends the process with that signal's default action,
// so the parent sees how the program ended; returns otherwise. Call after the orderly
// shut-down is done.
void endBySignalIfAsked();

// The display connection is gone and the process must end now, with no window left to use:
// marks the shut-down (no box is shown from here on), runs `save` unless an earlier call ran
// it, then calls `end` with the exit status 1. Draws nothing and calls no toolkit function.
void endAfterDisplayLost(const std::function<void()>& save, const std::function<void(int)>& end);
