#pragma once

#include <FL/Fl_Menu_Item.H>

class Mekuri;

// The program's own menu-item flag: at start-up every item with a label, a callback and this
// bit gets the main window as its user data. The toolkit ignores the bit.
constexpr int MENU_WITH_WINDOW = 0x100000;

// Positions in the main menu table, counting every record including the end-of-submenu ones.
enum MainMenuIndex {
    MENU_OPEN = 1,
    MENU_RECENT = 2, // a submenu pointer to recentMenu
    MENU_NEXT_BOOK = 3,
    MENU_PREVIOUS_BOOK = 4,
    MENU_CATALOG = 5,
    MENU_CLOSE = 6,
    MENU_RENAME = 7,
    MENU_PRINT = 8,
    MENU_PROPERTIES = 9,
    MENU_QUIT = 10,
    MENU_REDRAW = 13,
    MENU_QUALITY = 14,
    MENU_SPREAD_UNIT = 15,
    MENU_RIGHT_BINDING = 16,
    MENU_LEFT_BINDING = 17,
    MENU_RESUME = 18,
    MENU_NATURAL_ORDER = 19,
    MENU_LEFT_ARROW = 21,
    MENU_RIGHT_ARROW = 22,
    MENU_ZOOM = 23,
    MENU_FIT_FIRST = 24, // five fit items, 24 … 28
    MENU_ZOOM_INPUT = 29,
    MENU_ZOOM_50 = 30, // five fixed zooms, 30 … 34
    MENU_BAR_FIT_0 = 36,
    MENU_BAR_FIT_1 = 37,
    MENU_HELP = 39,
    MENU_ABOUT = 40,
    MAIN_MENU_SIZE = 43
};

// Room for the ten recent books and the end of the submenu.
constexpr int RECENT_MENU_SIZE = 11;
extern Fl_Menu_Item recentMenu[RECENT_MENU_SIZE];

// The main menu table, in the menu bar's order.
extern Fl_Menu_Item mainMenu[MAIN_MENU_SIZE];

// Start-up preparation of the table for `window`: check marks from the options, arrow labels
// for the binding, the fit-mode icons as labels, user data for MENU_WITH_WINDOW items.
void prepareMainMenu(Mekuri* window);

// How many Down presses take a pulled-down menu (its title chosen, no item yet) to the item at
// `index`: the toolkit's Down skips greyed items. Read by the reading robot through the state
// line, so that it finds 印刷 whichever items before it are greyed.
int keyDownsTo(int index);

// Labels the two arrow items for the binding (0 right, 1 left).
void setArrowLabels(int binding);
