#include "PluginCallLock.h"

#include "pipeline/PluginRegistry.h"
#include "platform/Diagnostics.h"

namespace {

thread_local PluginCallLock::GiveUpScope* currentScope = nullptr;

} // namespace

PluginCallLock::GiveUpScope::GiveUpScope(std::function<bool()> giveUp)
    : giveUp_(std::move(giveUp)), outer_(currentScope)
{
    currentScope = this;
}

PluginCallLock::GiveUpScope::~GiveUpScope()
{
    currentScope = outer_;
}

bool PluginCallLock::gaveUpOnThisThread()
{
    return currentScope != nullptr && currentScope->gaveUp_;
}

PluginCallLock::PluginCallLock(SpiPlugin& plugin) : plugin_(plugin)
{
    GiveUpScope* scope = currentScope;
    if (scope == nullptr || !scope->giveUp_) {
        held_ = plugin_.pluginLock.lock();
        return;
    }
    while (!plugin_.pluginLock.tryLockFor(kSliceMilliseconds)) {
        if (scope->giveUp_()) {
            debugPrint("%s: waiting for the plug-in given up\n", plugin_.fileName.c_str());
            scope->gaveUp_ = true;
            return;
        }
    }
    held_ = true;
}

PluginCallLock::~PluginCallLock()
{
    if (held_)
        plugin_.pluginLock.unlock();
}
