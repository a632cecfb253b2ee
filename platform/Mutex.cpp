#include "Mutex.h"

#include <chrono>

bool Mutex::lock()
{
    mutex_.lock();
    taken();
    return true;
}

bool Mutex::tryLockFor(int milliseconds)
{
    if (!mutex_.try_lock_for(std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0)))
        return false;
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
