#pragma once

#include <FL/Fl_Output.H>
#include <FL/Fl_Window.H>

#include <memory>
#include <string>
#include <vector>

#include "LastingSettings.h"
#include "StartOptions.h"
#include "pipeline/CacheManager.h"
#include "pipeline/CacheWorker.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "print/PrintSettings.h"
#include "reading/SavedReadingMemory.h"
#include "views/ViewerState.h"

class CatalogView;
class Fl_Menu_Bar;

// The main window: menu bar, zoom field, spread list and the scroll area holding the spread
// view. Its book state is the reading model it derives from (through ViewerState), which its
// commands call and whose changes it shows; it owns the image cache and the cache's worker
// thread. Exactly one exists, reached through mainWindow. UI thread only, except the
// CacheOwner side, which the worker reads.
class Mekuri : public Fl_Window, public ViewerState, public CacheOwner {
  public:
    Mekuri(int width, int height, const StartOptions& options);
    ~Mekuri() override;

    void draw() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    // Shows what a command of the reading model changed: the widgets it names, nothing else.
    void apply(const ReadingChange& change);
    // A sink that applies each stage of a staged command at once.
    ChangeSink showNow();
    // The scroll area's size, which fits and the opening zoom fill.
    int areaW() const;
    int areaH() const;

    // Full screen (F11, left by F11 or Escape): the scroll area fills the screen, the menu
    // bar, the zoom field and the spread list are hidden, the menu's shortcuts still work.
    // No window is hidden or closed on the way and no key of another window is taken. When
    // the zoom is still the last fit's, the fit runs again for the new size.
    void setFullScreen(bool on);
    bool fullScreen() const { return fullScreen_; }

    // ViewerState
    CacheObject* prepareEntry(int tag, int page, float filterParam1, float filterParam2,
                              float scale) override;
    void releaseEntry(CacheObject* object) override;
    void applyLiveZoom(float zoom) override;
    void leftArrow() override;
    void rightArrow() override;
    void prefetch(int page) override;
    Fl_Window* topWindow() override { return this; }

    // CacheOwner
    ImageOperatorWrapper* currentBook() override;
    int reductionQuality() const override { return highQualityReduction; }

    std::string pendingStartupPath; // command-line path still to be opened
    std::string startupPath;        // command-line path, kept

    Fl_Menu_Bar* menuBar = nullptr;
    Fl_Window* propertyWindow = nullptr;   // the open file-property window, owned, or null
    Fl_Window* printDialog = nullptr;      // the open print dialog, owned, or null
    CatalogView* catalogView = nullptr;    // the catalog window, owned, or null
    PrintSettings printSettings;           // print options kept between print dialogs
    LastingSettings lasting;               // the settings file
    SavedReadingMemory memory;             // where the reader stopped, the recent books
    std::vector<std::string> printerNames; // the printers listed for the last print dialog
    int closingCatalog = 0;
    int quitting = 0;
    double lastWheelTime = 0.0;

    CacheManager cacheManager; // guarded by its own lock; shared with the worker
    WorkerBlock worker;

  private:
    // The keys that turn pages (Down, Page Down, Enter, n, space; Up, Page Up, BackSpace, p, b;
    // Left, Right): 1 when the key was one of them.
    int keyTable();
    // The window's own keys before the table: Ctrl + Page Down / Page Up (the next and
    // previous book), Home, End, F11 and, in full screen, Escape. 1 when the key was one.
    int ownKeys();
    // Places the children for a window of W × H, by the full-screen state.
    void layoutChildren(int W, int H);
    // Runs the last fit again once the full-screen geometry is in place.
    void refitForFullScreen();
    static void startupOpenCb(void* window);
    static void redrawScrollAreaCb(void* window);

    bool fullScreen_ = false;
    int normalX_ = 0, normalY_ = 0, normalW_ = 0, normalH_ = 0; // the geometry before it
    // The size entering or leaving full screen asked for, while the last fit waits for the
    // window's next size change to run again (0 × 0: none waits).
    int refitW_ = 0, refitH_ = 0;
};

// The one main window; set before its children are made, never changed afterwards.
extern Mekuri* mainWindow;
