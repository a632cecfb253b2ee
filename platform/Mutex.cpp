#include "Mutex.h"

#include <algorithm>
#include <chrono>

bool Mutex::lock()
{
    mutex_.lock();
    taken();
    return true;
}

// Polls try_lock rather than waiting in try_lock_for: the timed wait goes through
// pthread_mutex_clocklock, which ThreadSanitizer does not see, so every timed acquisition looked
// like an unlock of a mutex nobody held and hid the ordering the lock gives. A waiter that polls
// every millisecond adds at most that to a wait that is rare and already sliced.
bool Mutex::tryLockFor(int milliseconds)
{
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    while (!mutex_.try_lock()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    taken();
    return true;
}

void Mutex::taken()
{
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    ++depth_;
}

bool Mutex::unlock()
{
    if (!ownedByCaller())
        return false;
    if (--depth_ == 0)
        owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
    return true;
}

bool Mutex::ownedByCaller() const
{
    return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

unsigned Mutex::handle() const
{
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(this));
}
