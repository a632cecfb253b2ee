#include "UiHooks.h"

namespace {

std::function<void()>& pumpHook()
{
    static std::function<void()> hook;
    return hook;
}

std::function<void(bool)>& cursorHook()
{
    static std::function<void(bool)> hook;
    return hook;
}

} // namespace

void setEventPump(std::function<void()> pump)
{
    pumpHook() = std::move(pump);
}

void pumpEvents()
{
    if (pumpHook())
        pumpHook()();
}

void setBusyCursorHook(std::function<void(bool)> hook)
{
    cursorHook() = std::move(hook);
}

void showBusyCursor(bool busy)
{
    if (cursorHook())
        cursorHook()(busy);
}
