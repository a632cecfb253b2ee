#include "Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <system_error>

Thread::Thread() : ended_(Event::ManualReset)
{
}

Thread::~Thread()
{
    join();
}

bool Thread::start(std::function<void()> body)
{
    if (thread_.joinable())
        return false;
    ended_.reset();
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            tid_ = currentThreadId();
            body();
            ended_.set();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool Thread::waitFor(unsigned ms)
{
    if (!thread_.joinable())
        return true;
    return ended_.waitFor(ms);
}

void Thread::join()
{
    if (thread_.joinable())
        thread_.join();
}

void lowerCurrentThreadPriority()
{
    const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
    int current = getpriority(PRIO_PROCESS, tid);
    setpriority(PRIO_PROCESS, tid, current + 5);
}

unsigned long currentThreadId()
{
    return static_cast<unsigned long>(syscall(SYS_gettid));
}
