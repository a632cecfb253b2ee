#include "LastingCommands.h"

#include "MainMenu.h"
#include "Mekuri.h"
#include "RecentMenu.h"
#include "catalog/ui/CatalogView.h"
#include "platform/Diagnostics.h"
#include "platform/NameOrder.h"

namespace {

void setMark(Fl_Menu_Item& item, bool checked)
{
    if (checked)
        item.set();
    else
        item.clear();
}

} // namespace

void applyLastingOptions(Mekuri* w, const ViewerOptions& start)
{
    w->highQualityReduction = start.highQualityReduction;
    setMark(mainMenu[MENU_QUALITY], start.highQualityReduction != 0);
    w->setResume(start.resume);
    setMark(mainMenu[MENU_RESUME], start.resume);
    setNaturalNameOrder(start.naturalOrder);
    setMark(mainMenu[MENU_NATURAL_ORDER], start.naturalOrder);
    w->printSettings = w->lasting.printSettings();
    w->memory.recentChanged = rebuildRecentMenu;
    // A book renamed at its close keeps its cell (and thumbnail) in an open catalog window.
    w->memory.bookRenamed = [](const std::string& from, const std::string& to) {
        if (mainWindow && mainWindow->catalogView)
            mainWindow->catalogView->entryRenamed(from, to);
    };
    w->setMemory(&w->memory);
    w->memory.loadRecent();
}

void resume_cb(Fl_Widget*, void*)
{
    // Called after the toolkit moved the check mark.
    Mekuri* w = mainWindow;
    const bool resume = mainMenu[MENU_RESUME].value() != 0;
    w->setResume(resume);
    debugPrint("前回の位置から開く %d\n", resume ? 1 : 0);
    w->lasting.keepOption(kResumeKey, resume);
}

void keepNameOrder(Mekuri* w)
{
    w->lasting.keepOption(kNaturalOrderKey, naturalNameOrder());
}

void keepSettingsAtExit(Mekuri* w)
{
    w->lasting.keepOption(kResumeKey, w->resume());
    keepNameOrder(w);
    w->lasting.keepOption(kHighQualityReductionKey, w->highQualityReduction);
    w->lasting.keepPrintSettings(w->printSettings);
}
