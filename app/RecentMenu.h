#pragma once

#include <FL/Fl_Widget.H>

// The "最近開いたﾌｧｲﾙ" submenu: one item for each entry of the main window's recent list
// (SavedReadingMemory), labelled as RecentBooks::menuLabels says, greyed while the list is
// empty. UI thread only.

// Rebuilds the submenu's array from the recent list; the main menu table itself never changes.
// While a menu is shown (it reads the array) the rebuild waits until it has gone. Does nothing
// once the program is shutting down.
void rebuildRecentMenu();

// An item of the submenu; `index` is its place in the list as the submenu shows it. A book
// opens as "開く" opens it, a catalog folder in the catalog window (either refused while a print
// job exists); one that has gone is dropped from the list with the box "ファイル(%s)を開けません".
void recent_cb(Fl_Widget* widget, void* index);
