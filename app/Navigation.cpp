// The navigation commands: keys, menu items, the spread list and the timers of the wheel and
// of clicks call these; the reading model decides, the main window shows what changed.
#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>

#include <cstdint>

#include "Commands.h"
#include "MainMenu.h"
#include "Mekuri.h"
#include "platform/Diagnostics.h"
#include "views/PageList.h"

void forward_page_cb(int request)
{
    Mekuri* w = mainWindow;
    w->apply(w->forwardPage(request));
}

void back_page_cb(int request)
{
    Mekuri* w = mainWindow;
    w->apply(w->backPage(request));
}

void leftArrow_cb(Fl_Widget* widget, void*)
{
    Mekuri* w = mainWindow;
    debugPrint("argument widget=%x menu=%x\n",
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(widget)),
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(w->menuBar)));
    w->apply(w->arrowTurn(true));
}

void rightArrow_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    w->apply(w->arrowTurn(false));
}

void jump_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    w->apply(w->jumpToLine(w->pageList->value()));
}

void spreadUnit_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    const int before = w->spreadShift;
    w->apply(w->toggleSpreadUnit());
    // A choice in the menu lasts, even in a run whose command line chose the unit.
    if (w->spreadShift != before)
        w->lasting.keepOption(kSpreadShiftKey, w->spreadShift);
}

void binding_cb(Fl_Widget*, void*)
{
    // Called after the toolkit moved the radio mark.
    Mekuri* w = mainWindow;
    const int right = mainMenu[MENU_RIGHT_BINDING].value() ? 1 : 0;
    const int left = mainMenu[MENU_LEFT_BINDING].value() ? 1 : 0;
    debugPrint("開き(%d,%d)\n", right, left);
    const int chosen = right ? RIGHT_BINDING : left ? LEFT_BINDING : w->binding;
    const int before = w->binding;
    w->apply(w->setBinding(chosen));
    if (w->binding != before)
        w->lasting.keepOption(kBindingKey, w->binding);
}

void schedulePrefetch(int page)
{
    Fl::add_timeout(0.2, prefetch_cb, reinterpret_cast<void*>(static_cast<intptr_t>(page)));
}

void prefetch_cb(void* page)
{
    if (Mekuri* w = mainWindow)
        w->queuePrefetch(static_cast<int>(reinterpret_cast<intptr_t>(page)), w->cacheManager);
}
