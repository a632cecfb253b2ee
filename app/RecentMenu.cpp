#include "RecentMenu.h"

#include <FL/Fl.H>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "CatalogWindow.h"
#include "MainMenu.h"
#include "Mekuri.h"
#include "Opening.h"
#include "PrintJobGuard.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"
#include "platform/ShutdownRequest.h"

namespace {

// What the submenu's items open and show, as it was last built: the array points into the
// labels, which therefore live until the next rebuild.
std::vector<RecentEntry> shownEntries;
std::vector<std::string> shownLabels;
bool rebuildWaiting = false;

void rebuildLater(void*)
{
    rebuildWaiting = false;
    rebuildRecentMenu();
}

} // namespace

void rebuildRecentMenu()
{
    Mekuri* w = mainWindow;
    if (!w || shuttingDown())
        return;
    if (Fl::grab()) {
        if (!rebuildWaiting) {
            rebuildWaiting = true;
            Fl::add_timeout(0.1, rebuildLater);
        }
        return;
    }
    shownEntries = w->memory.recent();
    shownLabels = w->memory.recentLabels();
    const size_t count = std::min(
        {shownEntries.size(), shownLabels.size(), static_cast<size_t>(RECENT_MENU_SIZE - 1)});
    for (Fl_Menu_Item& item : recentMenu)
        item = Fl_Menu_Item{};
    for (size_t i = 0; i < count; ++i) {
        recentMenu[i].label(shownLabels[i].c_str());
        recentMenu[i].callback(recent_cb, reinterpret_cast<void*>(static_cast<intptr_t>(i)));
    }
    if (count > 0)
        mainMenu[MENU_RECENT].activate();
    else
        mainMenu[MENU_RECENT].deactivate();
    debugPrint("recent: %zu entries\n", count);
}

void recent_cb(Fl_Widget*, void* index)
{
    const auto i = static_cast<size_t>(reinterpret_cast<intptr_t>(index));
    Mekuri* w = mainWindow;
    if (!w || i >= shownEntries.size())
        return;
    const RecentEntry entry = shownEntries[i]; // the list may be rebuilt below
    const bool book = entry.kind == RecentKind::book;
    // Refused as a drop is, the catalog folder too: the choice is one command.
    if (refusedWhilePrinting())
        return;
    debugPrint("recent: open %s %s\n", book ? "book" : "catalog", entry.path.c_str());
    // Followed through links: a link left pointing at nothing is a book that has gone.
    const bool there = isDirectory(entry.path) || (book && isRegularFile(entry.path));
    if (!there) {
        w->memory.forgetRecent(entry.path, entry.kind);
        reportError(w, "ファイル(%s)を開けません", entry.path.c_str());
        return;
    }
    if (book)
        openChosenBook(entry.path);
    else
        openCatalogFolder(entry.path);
}
