#pragma once

// Counts how deep the catalog window's own code runs (event handlers, timers, the idle step —
// any of which may pump events and so run a request to delete the window). A deletion asked
// for while the count is above zero waits until the outermost run returns. UI thread.
class DeletionGuard {
  public:
    // Enter and leave one run. leave() returns true when the last run just ended and a
    // deletion is waiting: the caller must then delete the object and touch it no more.
    void enter() { ++depth_; }
    bool leave();
    // Asks for deletion; true when it may happen now (nothing of the object is running).
    bool requestDeletion();
    bool running() const { return depth_ > 0; }
    bool deletionRequested() const { return deletionRequested_; }

  private:
    int depth_ = 0;
    bool deletionRequested_ = false;
};
