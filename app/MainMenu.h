#pragma once

#include <FL/Fl_Menu_Item.H>

class Mekuri;

// The program's own menu-item flag: at start-up every item with a label, a callback and this
// bit gets the main window as its user data. The toolkit ignores the bit.
constexpr int MENU_WITH_WINDOW = 0x100000;

// Positions in the main menu table, counting every record including the end-of-submenu ones.
enum MainMenuIndex {
    MENU_OPEN = 1,
    MENU_CATALOG = 2,
    MENU_CLOSE = 3,
    MENU_RENAME = 4,
    MENU_PRINT = 5,
    MENU_PROPERTIES = 6,
    MENU_QUIT = 7,
    MENU_REDRAW = 10,
    MENU_QUALITY = 11,
    MENU_SPREAD_UNIT = 12,
    MENU_RIGHT_BINDING = 13,
    MENU_LEFT_BINDING = 14,
    MENU_LEFT_ARROW = 16,
    MENU_RIGHT_ARROW = 17,
    MENU_ZOOM = 18,
    MENU_FIT_FIRST = 19, // five fit items, 19 … 23
    MENU_ZOOM_INPUT = 24,
    MENU_ZOOM_50 = 25,   // five fixed zooms, 25 … 29
    MENU_BAR_FIT_0 = 31,
    MENU_BAR_FIT_1 = 32,
    MENU_HELP = 34,
    MENU_ABOUT = 35,
    MAIN_MENU_SIZE = 38
};

// The main menu table, in the menu bar's order.
extern Fl_Menu_Item mainMenu[MAIN_MENU_SIZE];

// Start-up preparation of the table for `window`: check marks from the options, arrow labels
// for the binding, the fit-mode icons as labels, user data for MENU_WITH_WINDOW items.
void prepareMainMenu(Mekuri* window);

// Labels the two arrow items for the binding (0 right, 1 left).
void setArrowLabels(int binding);
