#include "app/PrintJobGuard.h"

#include "app/Mekuri.h"
#include "platform/Dialogs.h"
#include "print/PrintJob.h"

bool refusedWhilePrinting()
{
    if (!printJobRunning())
        return false;
    messageBox(mainWindow, "印刷", "印刷中は操作できません", BoxIcon::Warning);
    return true;
}
