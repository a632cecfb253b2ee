#include "MainMenu.h"

#include "AboutHelp.h"
#include "BookSteps.h"
#include "Commands.h"
#include "LastingCommands.h"
#include "Mekuri.h"
#include "Opening.h"
#include "PrintDialog.h"
#include "RenameCommand.h"
#include "ZoomCommands.h"
#include "ZoomIcons.h"

// The recent books' submenu: its entries are rebuilt whenever the list changes.
Fl_Menu_Item recentMenu[RECENT_MENU_SIZE] = {};

// One static table; the positions MainMenu.h names are indices into it.
Fl_Menu_Item mainMenu[MAIN_MENU_SIZE] = {
    {"ﾌｧｲﾙ(&F)", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"開く(&O)...", 0, open_cb, nullptr, 0, 0, 0, 0, 0},
    // Greyed while the recent list is empty (rebuildRecentMenu).
    {"最近開いたﾌｧｲﾙ", 0, nullptr, recentMenu, FL_SUBMENU_POINTER | FL_MENU_INACTIVE, 0, 0, 0, 0},
    // Ctrl + Page Down / Page Up are the main window's own keys, not shortcuts here: the
    // scrollbars would take them first.
    {"次のﾌｧｲﾙ", 0, nextBook_cb, nullptr, 0, 0, 0, 0, 0},
    {"前のﾌｧｲﾙ", 0, previousBook_cb, nullptr, 0, 0, 0, 0, 0},
    {"ｶﾀﾛｸﾞ(&A)...", FL_ALT + 'a', catalog_cb, nullptr, MENU_WITH_WINDOW, 0, 0, 0, 0},
    {"閉じる(&C)", FL_ALT + 'c', close_cb, nullptr, MENU_WITH_WINDOW, 0, 0, 0, 0},
    {"ﾌｧｲﾙ名の変更(&R)...", 0, rename_cb, nullptr, 0, 0, 0, 0, 0},
    {"印刷 ...", 0, print_cb, nullptr, MENU_WITH_WINDOW, 0, 0, 0, 0},
    {"ﾌｧｲﾙのﾌﾟﾛﾊﾟﾃｨ(&P)...", 0, property_cb, nullptr, FL_MENU_DIVIDER, 0, 0, 0, 0},
    {"終了(&X)", FL_ALT + 'q', quit_cb, nullptr, MENU_WITH_WINDOW, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"機能(&O)", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"re&draw", 0, redraw_cb, nullptr, 0, 0, 0, 0, 0},
    {"高品質縮小(&Q)", 0, quality_cb, nullptr, FL_MENU_TOGGLE | FL_MENU_VALUE, 0, 0, 0, 0},
    {"見開き単位変更(&1)", 0, spreadUnit_cb, nullptr, FL_MENU_TOGGLE | FL_MENU_DIVIDER, 0, 0, 0, 0},
    {"右綴じ(&R)", 0, binding_cb, nullptr, FL_MENU_RADIO | FL_MENU_VALUE, 0, 0, 0, 0},
    {"左綴じ(&L)", 0, binding_cb, nullptr, FL_MENU_RADIO | FL_MENU_DIVIDER, 0, 0, 0, 0},
    {"前回の位置から開く", 0, resume_cb, nullptr, FL_MENU_TOGGLE | FL_MENU_VALUE, 0, 0, 0, 0},
    {"数字順に並べる", 0, naturalOrder_cb, nullptr, FL_MENU_TOGGLE, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"次頁(←)", 0, leftArrow_cb, nullptr, 0, 0, 0, 0, 0},
    {"(→)前頁", 0, rightArrow_cb, nullptr, 0, 0, 0, 0, 0},
    {"      % ▽(&Z)", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"RSZ_H0V1", 0, fit_cb, reinterpret_cast<void*>(0), 0, 0, 0, 0, 0},
    {"RSZ_H2V1", 0, fit_cb, reinterpret_cast<void*>(1), 0, 0, 0, 0, 0},
    {"RSZ_H2V0", 0, fit_cb, reinterpret_cast<void*>(2), 0, 0, 0, 0, 0},
    {"RSZ_H1V1", 0, fit_cb, reinterpret_cast<void*>(3), 0, 0, 0, 0, 0},
    {"RSZ_H1V0", 0, fit_cb, reinterpret_cast<void*>(4), FL_MENU_DIVIDER, 0, 0, 0, 0},
    {"数値入力(&N)...", 0, zoomInput_cb, nullptr, FL_MENU_DIVIDER, 0, 0, 0, 0},
    {" &50%", 0, zoomPercent_cb, reinterpret_cast<void*>(50), 0, 0, 0, 0, 0},
    {" &75%", 0, zoomPercent_cb, reinterpret_cast<void*>(75), 0, 0, 0, 0, 0},
    {"1&00%", 0, zoomPercent_cb, reinterpret_cast<void*>(100), 0, 0, 0, 0, 0},
    {"&150%", 0, zoomPercent_cb, reinterpret_cast<void*>(150), 0, 0, 0, 0, 0},
    {"&200%", 0, zoomPercent_cb, reinterpret_cast<void*>(200), 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"RSZ_H0V1", 0, fit_cb, reinterpret_cast<void*>(0), 0, 0, 0, 0, 0},
    {"RSZ_H2V1", 0, fit_cb, reinterpret_cast<void*>(1), 0, 0, 0, 0, 0},
    {"ﾍﾙﾌﾟ(&H)", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"&HELP ...", 0, help_cb, nullptr, 0, 0, 0, 0, 0},
    {"&About Mekuri...", 0, about_cb, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
};

void setArrowLabels(int binding)
{
    if (binding == 1) {
        mainMenu[MENU_LEFT_ARROW].label("前頁(←)");
        mainMenu[MENU_RIGHT_ARROW].label("(→)次頁");
    } else {
        mainMenu[MENU_LEFT_ARROW].label("次頁(←)");
        mainMenu[MENU_RIGHT_ARROW].label("(→)前頁");
    }
}

void prepareMainMenu(Mekuri* window)
{
    if (window->spreadShift == 1)
        mainMenu[MENU_SPREAD_UNIT].set();
    else
        mainMenu[MENU_SPREAD_UNIT].clear();
    if (window->binding == 1) {
        mainMenu[MENU_RIGHT_BINDING].clear();
        mainMenu[MENU_LEFT_BINDING].set();
    }
    setArrowLabels(window->binding);

    const ZoomIcons& icons = zoomIcons();
    for (int mode = 0; mode < 5; ++mode) {
        if (icons.large[mode])
            mainMenu[MENU_FIT_FIRST + mode].image(icons.large[mode]);
    }
    if (icons.small[0])
        mainMenu[MENU_BAR_FIT_0].image(icons.small[0]);
    if (icons.small[1])
        mainMenu[MENU_BAR_FIT_1].image(icons.small[1]);

    for (Fl_Menu_Item& item : mainMenu) {
        if (item.text && item.callback() && (item.flags & MENU_WITH_WINDOW))
            item.user_data(window);
    }
}

int keyDownsTo(int index)
{
    int first = index;
    while (first > 0 && !(mainMenu[first - 1].flags & FL_SUBMENU))
        --first;
    int downs = 0;
    for (int i = first; i <= index && mainMenu[i].text; i = mainMenu[i].next() - mainMenu)
        downs += mainMenu[i].activevisible() ? 1 : 0;
    return downs;
}
