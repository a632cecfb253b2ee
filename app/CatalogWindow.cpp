#include "CatalogWindow.h"

#include <cstdint>

#include "Commands.h"
#include "Mekuri.h"
#include "Opening.h"
#include "PrintJobGuard.h"
#include "catalog/ui/CatalogHost.h"
#include "catalog/ui/CatalogPage.h"
#include "catalog/ui/CatalogView.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"
#include "reading/RenameFile.h"
#include "views/MekuriScroll.h"
#include "views/MihirakiPages.h"
#include "views/PageList.h"

namespace {

unsigned traceId(const void* p)
{
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}

// The main window as the catalog window sees it.
class MainCatalogHost : public CatalogHost {
  public:
    Fl_Window* hostWindow() override { return mainWindow; }

    bool closingCatalog() const override { return mainWindow && mainWindow->closingCatalog; }

    void requestClose() override
    {
        if (mainWindow && mainWindow->shown())
            mainWindow->do_callback();
    }

    void quit() override { quit_cb(nullptr, mainWindow); }

    void closeCatalog() override
    {
        Mekuri* w = mainWindow;
        if (!w || !w->catalogView)
            return;
        w->closingCatalog = 1;
        deleteCatalogWindow(w);
        w->closingCatalog = 0;
    }

    int openBook(const std::string& path) override
    {
        if (refusedWhilePrinting())
            return 0;
        Mekuri* w = mainWindow;
        const int opened = ::openBook(path);
        clearViewArea();
        w->requestJump(JUMP_TO_START);
        w->scrollArea->redraw();
        return opened;
    }

    std::string openBookPath() const override
    {
        Mekuri* w = mainWindow;
        if (!w || !w->bookOpen)
            return std::string();
        return w->bookFolder + w->bookFileName;
    }

    int renameFile(const std::string& oldPath, const std::string& newPath) override
    {
        const int renamed = ::renameFile(oldPath, newPath);
        // Where the reader stopped in it, and its recent entry, follow the book.
        if (renamed && oldPath != newPath && mainWindow)
            mainWindow->memory.renamed(fullPath(oldPath), fullPath(newPath));
        return renamed;
    }

    void folderOpened(const std::string& folder) override
    {
        if (mainWindow)
            mainWindow->memory.addCatalogFolder(fullPath(folder));
    }

    void removePageListTip() override
    {
        if (mainWindow && mainWindow->pageList)
            mainWindow->pageList->removepopupNow();
    }

    int dropText(const char* text) override { return ::dropText(text); }
};

MainCatalogHost host;

} // namespace

CatalogView* openCatalogWindow(Mekuri* window)
{
    CatalogView* view = makeCatalogWindow(host);
    window->catalogView = view;
    debugPrint("openCatalogWindow(%x)\n", traceId(view));
    return view;
}

void deleteCatalogWindow(Mekuri* window)
{
    CatalogView* view = window->catalogView;
    debugPrint("カタログをdeleteしようかな?(%x)\n", traceId(view));
    if (!view)
        return;
    debugPrint("カタログをdeleteしようとする(%x)\n", traceId(view));
    // Forgotten first: whatever runs while it closes sees no catalog window.
    window->catalogView = nullptr;
    CatalogView::dispose(view);
    debugPrint("カタログをdeleteした(%x)\n", traceId(view));
}

void openCatalogFolder(const std::string& folder)
{
    Mekuri* w = mainWindow;
    if (!w->catalogView)
        openCatalogWindow(w);
    w->catalogView->openFolder(folder);
    w->catalogView->scrollArea()->redraw();
}
