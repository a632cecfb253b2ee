#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>


#include "Commands.h"
#include "MainMenu.h"
#include "Mekuri.h"
#include "reading/SpreadRules.h"
#include "platform/Diagnostics.h"
#include "views/MekuriScroll.h"
#include "views/MihirakiPages.h"
#include "views/PageList.h"

namespace {

void showCurrentLine(Mekuri* w)
{
    w->pageList->select((w->currentPage + w->spreadShift) / 2 + 1);
    w->pageList->redraw();
}

void rebuildSpreadList(Mekuri* w)
{
    w->pageList->clear();
    fillSpreadList();
}

} // namespace

void forward_page_cb(int request)
{
    Mekuri* w = mainWindow;
    if (!w->bookOpen)
        return;
    const int step = forwardStep(w->currentPage, w->pageCount(), w->spreadShift);
    if (step == 0)
        return;
    debugPrint(step == 2 ? "forward_page_cb\n" : "forward_page_cb. forward to pseudo last page.\n");
    w->currentPage += 2;
    w->jumpRequest = request;
    w->pages->redraw();
    showCurrentLine(w);
    schedulePrefetch(w->currentPage - w->spreadShift + 2);
}

void back_page_cb(int request)
{
    Mekuri* w = mainWindow;
    if (w->currentPage - 2 < 0)
        return;
    w->currentPage -= 2;
    w->jumpRequest = request;
    w->pages->redraw();
    showCurrentLine(w);
    schedulePrefetch(w->currentPage - w->spreadShift - 2);
}

void leftArrow_cb(Fl_Widget* widget, void*)
{
    Mekuri* w = mainWindow;
    debugPrint("argument widget=%x menu=%x\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(widget)),
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(w->menuBar)));
    if (!w->bookOpen)
        return;
    if (w->binding == RIGHT_BINDING)
        forward_page_cb(JUMP_TO_START);
    else
        back_page_cb(JUMP_NONE);
}

void rightArrow_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    if (!w->bookOpen)
        return;
    if (w->binding == LEFT_BINDING)
        forward_page_cb(JUMP_TO_START);
    else
        back_page_cb(JUMP_NONE);
}

void jump_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    const int k = w->pageList->value();
    if (k <= 0 || k == (w->currentPage + w->spreadShift) / 2 + 1)
        return;
    debugPrint("JUMP callback (%d)\n", k);
    w->currentPage = 2 * k - 2;
    w->pages->redraw();
    schedulePrefetch(w->currentPage - w->spreadShift + 2);
}

void spreadUnit_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    if (!w->bookOpen) {
        // Keep the check mark in step with spreadShift, which only changes with a book open.
        if (w->spreadShift == 1)
            mainMenu[MENU_SPREAD_UNIT].set();
        else
            mainMenu[MENU_SPREAD_UNIT].clear();
        return;
    }
    if (w->spreadShift == 1 && w->currentPage == w->pageCount())
        w->currentPage -= 2;
    w->spreadShift = 1 - w->spreadShift;
    rebuildSpreadList(w);
    w->pages->redraw();
}

void binding_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    const int right = mainMenu[MENU_RIGHT_BINDING].value() ? 1 : 0;
    const int left = mainMenu[MENU_LEFT_BINDING].value() ? 1 : 0;
    debugPrint("開き(%d,%d)\n", right, left);
    int changed = 0;
    if (right && w->binding == LEFT_BINDING) {
        w->binding = RIGHT_BINDING;
        debugPrint("右開きへ変更\n");
        changed = 1;
    } else if (left && w->binding == RIGHT_BINDING) {
        w->binding = LEFT_BINDING;
        debugPrint("左開きへ変更\n");
        changed = 1;
    }
    if (!changed)
        return;
    setArrowLabels(w->binding);
    w->menuBar->redraw();
    rebuildSpreadList(w);
    w->scrollArea->redraw();
}

void fillSpreadList()
{
    // Appends the lines and marks the current spread's line.
    Mekuri* w = mainWindow;
    if (!w->bookOpen)
        return;
    for (const std::string& line : spreadListLines(w->pageCount(), w->spreadShift, w->binding))
        w->pageList->add(line.c_str());
    w->pageList->select((w->currentPage + w->spreadShift) / 2 + 1);
}

void schedulePrefetch(int page)
{
    Fl::add_timeout(0.2, prefetch_cb, reinterpret_cast<void*>(static_cast<intptr_t>(page)));
}

void prefetch_cb(void* data)
{
    Mekuri* w = mainWindow;
    if (!w || !w->bookOpen)
        return;
    const int page = static_cast<int>(reinterpret_cast<intptr_t>(data));
    for (int p : prefetchPages(page, w->pageCount()))
        w->cacheManager.requestChain({SCALEDIMG, p, w->filterParam1, w->filterParam2, w->zoomPercent});
}
