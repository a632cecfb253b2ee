#pragma once

#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Widget.H>

#include <string>

class Fl_Window;

// The catalog window's menus and the commands behind them. The menu bar's items get the
// catalog window as user data (the table is copied per window); the pop-up menu's items are
// called with it directly. UI thread only.

// Positions in the menu bar's table (counting the end-of-submenu records).
enum CatalogMenuIndex {
    CATALOG_MENU_CHOOSE = 1,
    CATALOG_MENU_CLOSE = 2,
    CATALOG_MENU_QUIT = 3,
    CATALOG_MENU_SEARCH = 6,
    CATALOG_MENU_BACKWARD = 7,
    CATALOG_MENU_FORWARD = 8,
    CATALOG_MENU_BY_NAME = 11,
    CATALOG_MENU_BY_TIME = 12,
    CATALOG_MENU_BY_SIZE = 13,
    CATALOG_MENU_SIZE = 16
};
extern const Fl_Menu_Item catalogMenu[CATALOG_MENU_SIZE];

// The pop-up menu of the grid; its first item ("ｷｬﾝｾﾙ(&C)") does nothing.
enum CatalogPopupIndex {
    CATALOG_POPUP_CANCEL = 0,
    CATALOG_POPUP_OPEN = 1,
    CATALOG_POPUP_RENAME = 2,
    CATALOG_POPUP_REMAKE = 3,
    CATALOG_POPUP_PROPERTIES = 4,
    CATALOG_POPUP_SIZE = 6
};
extern const Fl_Menu_Item catalogPopupMenu[CATALOG_POPUP_SIZE];

// The folder chooser titled "フォルダを選んでください", starting in the current directory
// (through the dialog seam first). On OK the chosen folder becomes the current directory and
// `path` receives it; false when nothing was chosen.
bool browseForFolder(Fl_Window* owner, std::string& path);

// The catalog's "閉じる": the main window closes its catalog window and stays open.
void close_catalog_cb(Fl_Widget* widget, void* view);
