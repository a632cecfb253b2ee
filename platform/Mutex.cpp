#include "Mutex.h"

bool Mutex::lock()
{
    mutex_.lock();
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    ++depth_;
    return true;
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
