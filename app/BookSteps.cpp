#include "BookSteps.h"

#include <FL/Fl.H>

#include "LastingCommands.h"
#include "MainMenu.h"
#include "Mekuri.h"
#include "Opening.h"
#include "PrintJobGuard.h"
#include "catalog/SortOrder.h"
#include "catalog/ui/CatalogView.h"
#include "platform/NameOrder.h"
#include "views/MekuriScroll.h"
#include "views/MihirakiPages.h"

void stepBook(bool forward)
{
    if (refusedWhilePrinting())
        return;
    Mekuri* w = mainWindow;
    // The spread view's mode belongs to the book shown: a zoom previewed with Ctrl still held
    // as Ctrl + Page Down comes ends on that book, not on the next one when Ctrl is released.
    if (w->pages->mode != MODE_IDLE)
        w->pages->endMode();
    const ReadingChange change =
        w->openNeighbourBook(forward, w->cacheManager, w->areaW(), w->areaH(), w->showNow());
    w->apply(change);
    if (!change.newBook)
        return;
    clearViewArea();
    w->requestJump(JUMP_TO_START);
    w->scrollArea->redraw();
}

void nextBook_cb(Fl_Widget*, void*)
{
    stepBook(true);
}

void previousBook_cb(Fl_Widget*, void*)
{
    stepBook(false);
}

void naturalOrder_cb(Fl_Widget*, void*)
{
    Fl_Menu_Item& item = mainMenu[MENU_NATURAL_ORDER];
    if (refusedWhilePrinting()) {
        if (naturalNameOrder())
            item.set();
        else
            item.clear();
        return;
    }
    Mekuri* w = mainWindow;
    w->apply(w->setNaturalOrder(item.value() != 0, w->cacheManager, w->showNow()));
    keepNameOrder(w);
    if (w->catalogView && w->catalogView->model.sortOrder == kSortByName)
        w->catalogView->sortBy(kSortByName);
}
