#pragma once

#include <FL/Fl_Window.H>

#include <string>

#include "CatalogHost.h"
#include "catalog/CatalogModel.h"
#include "catalog/CatalogWindowRules.h"
#include "catalog/DeletionGuard.h"

class CatalogBuildingMonitor;
class CatalogPage;
class CatalogScroll;
class Fl_Menu_Bar;
class RenameField;

// The catalog window: one folder's archives as a grid of thumbnails with their names, its own
// menu bar, the scroll area holding the grid (CatalogPage), the building of the catalog with
// its progress monitor, and the commands (search, open, rename in place, remake thumbnail,
// choose folder, close). At most one exists; the main window owns it through its catalogView
// and deletes it with dispose(). UI thread only.
//
// Its own code may pump events (building, thumbnail extraction, dialogs), and those events
// may ask to delete the window; every entry point therefore runs under a Running guard, and a
// deletion asked for meanwhile happens when the outermost one returns.
class CatalogView : public Fl_Window {
  public:
    // A window of `width` × `height`, titled "カタログ", with no folder open. Not yet shown.
    CatalogView(int width, int height, CatalogHost& host);
    ~CatalogView() override;

    // Hides the window, closes its folder (saving a modified catalog) and deletes it: at once,
    // or when its own code still running below an event pump has returned.
    static void dispose(CatalogView* view);

    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    // Building (a folder in this window).
    void openFolder(const std::string& folder);
    void closeCatalogFolder();
    void buildCatalog();
    void thumbnailIdleStep();
    void endBuilding();

    // Grid.
    int columns() const;
    void layoutPage();
    void selectEntry(int position);
    void scrollEntryIntoView(int position);
    void invalidateCell(int position, bool erase);
    void sortBy(int order);

    // Commands.
    void searchDialog();
    void searchForward();
    void searchBackward();
    void openSelected();
    void remakeThumbnail();
    void chooseFolder();
    void showPopupMenu(int rootX, int rootY);

    // In-place rename (CatalogViewRename.cpp).
    void beginRename(int position);
    // The rename of the selected entry on the next event-loop pass (Tab in the field).
    void beginRenameLater();
    void applyRename();
    void cancelRename();
    void removeRenameField();
    void fitRenameEdit();
    bool renameOpen() const { return renameField != nullptr && !renameEnding; }
    // Ends an open rename without applying it (a press in the grid, scrolling). True when one
    // was open.
    bool endRenameWithoutApplying();
    // A file of the shown folder renamed from outside the window (the main window renames its
    // book at the close): its entry takes the new name, keeping its thumbnail. Full paths.
    void entryRenamed(const std::string& oldPath, const std::string& newPath);

    // The mouse wheel over the scroll area, for the program's wheel handler (the scroll area
    // itself leaves the wheel alone): cancels an open rename, else scrolls (d / 120) rows of
    // 180 pixels within the page. `d` is 120 a notch, positive away from the user. Returns 1
    // (the turn is used).
    int handleWheel(int d);
    CatalogScroll* scrollArea() const { return scroll_; }
    CatalogPage* page() const { return page_; }

    CatalogHost& host;
    CatalogModel model; // folder path, entries, modified, selection, sort order
    bool catalogOpen = false;
    int nextThumbnailIndex = 0;
    bool cancelRequested = false;
    int monitorIndex = -1; // entry whose name and thumbnail the monitor shows
    CatalogBuildingMonitor* monitor = nullptr;
    Fl_Window* propertyWindow = nullptr;
    RenameField* renameField = nullptr;
    bool renameEnding = false;
    int renameLineCount = 1;
    std::string searchText; // at most 126 bytes; empty until the first search
    int searchMode = 0;     // 0 substring, 1 pattern
    int searchPosition = -1;

    // Keeps the window alive while its code runs; see the class comment.
    class Running {
      public:
        explicit Running(CatalogView* view);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

      private:
        CatalogView* view_;
    };

  private:
    static void buildCatalogCb(void* view);
    static void idleCb(void* view);
    static void popupCb(void* view);
    static void closeMainCb(void* host);
    static void windowCb(Fl_Widget* window, void*);
    void applyHideRule();

    Fl_Menu_Bar* menuBar_ = nullptr;
    CatalogScroll* scroll_ = nullptr;
    CatalogPage* page_ = nullptr;
    DeletionGuard guard_;
    bool disposing_ = false; // dispose() runs or ran: the hide rule stays quiet
    bool deleting_ = false;
    int folderGeneration_ = 0; // changes whenever a folder is opened or closed
    int popupRootX_ = 0, popupRootY_ = 0;
};

// Creates the catalog window at 70 % of the screen's work area with its minimum size
// 170 × 204, and shows it. The caller owns it (deleting it with CatalogView::dispose).
CatalogView* makeCatalogWindow(CatalogHost& host);
