#include "Event.h"

#include <chrono>
#include <cstdint>

Event::Event(Kind kind, bool initiallySet) : kind_(kind), set_(initiallySet)
{
}

void Event::set()
{
    std::lock_guard<std::mutex> hold(mutex_);
    set_ = true;
    if (kind_ == ManualReset)
        cond_.notify_all();
    else
        cond_.notify_one();
}

void Event::reset()
{
    std::lock_guard<std::mutex> hold(mutex_);
    set_ = false;
}

bool Event::consume()
{
    if (!set_)
        return false;
    if (kind_ == AutoReset)
        set_ = false;
    return true;
}

void Event::wait()
{
    std::unique_lock<std::mutex> hold(mutex_);
    cond_.wait(hold, [this] { return set_; });
    consume();
}

bool Event::waitFor(unsigned ms)
{
    std::unique_lock<std::mutex> hold(mutex_);
    if (!cond_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return set_; }))
        return false;
    return consume();
}

unsigned Event::handle() const
{
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(this));
}
