#include "AutoLock.h"

#include "Diagnostics.h"

AutoLock::AutoLock(Mutex& mutex) : mutex_(mutex), notHeld_(1)
{
    if (mutex_.lock()) {
        notHeld_ = 0;
        return;
    }
    reportError(nullptr, "AutoLock failed");
    debugPrint("AutoLock failed\n");
}

AutoLock::~AutoLock()
{
    if (notHeld_ != 0)
        return;
    if (!mutex_.unlock())
        debugPrint("ReleaseMutex failed %x\n", mutex_.handle());
}

void AutoLock::release()
{
    notHeld_ = 1;
    if (mutex_.unlock())
        debugPrint("Explicit elease mutex success %x\n", mutex_.handle());
    else
        debugPrint("Explicit release failed %x\n", mutex_.handle());
}
