#pragma once

#include <functional>

struct SpiPlugin;

// Holds a plug-in's lock for one call into it (plug-ins are not assumed re-entrant). A thread
// waits for the lock as long as it takes, unless it has set a give-up test (GiveUpScope): it
// then tries the lock in short slices and gives up as soon as the test answers true, without
// calling the plug-in. The UI thread may hold a plug-in's lock across an event pump (the
// catalog's extraction runs the event loop from the plug-in's progress callback); the cache
// worker waits this way so that it never waits for the UI thread. The lock is recursive, so a
// call from inside the same thread's progress callback takes it again at once.
class PluginCallLock {
  public:
    explicit PluginCallLock(SpiPlugin& plugin);
    ~PluginCallLock();
    PluginCallLock(const PluginCallLock&) = delete;
    PluginCallLock& operator=(const PluginCallLock&) = delete;

    // False when the thread gave up waiting: the plug-in must not be called.
    bool held() const { return held_; }

    // While it exists, the plug-in locks its thread waits for give up when `giveUp` answers
    // true; it records whether one did. One at a time per thread; `giveUp` is called on that
    // thread, with no plug-in lock held.
    class GiveUpScope {
      public:
        explicit GiveUpScope(std::function<bool()> giveUp);
        ~GiveUpScope();
        GiveUpScope(const GiveUpScope&) = delete;
        GiveUpScope& operator=(const GiveUpScope&) = delete;

        // True when a plug-in call was given up since the scope began.
        bool gaveUp() const { return gaveUp_; }

      private:
        friend class PluginCallLock;
        std::function<bool()> giveUp_;
        GiveUpScope* outer_;
        bool gaveUp_ = false;
    };

    // True when this thread's current give-up scope has given a plug-in call up, so that a
    // failure just met is no failure of the page: nothing may be made of it (no placeholder).
    static bool gaveUpOnThisThread();

    // How long one try of the lock lasts before the give-up test is asked again.
    static constexpr int kSliceMilliseconds = 10;

  private:
    SpiPlugin& plugin_;
    bool held_ = false;
};
