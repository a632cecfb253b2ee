// Opening and closing a folder in the catalog window, and building its catalog: load and
// synchronise, lay out, then one thumbnail per idle call under the progress monitor.
#include <FL/Fl.H>

#include <unistd.h>

#include "CatalogBuildingMonitor.h"
#include "CatalogPage.h"
#include "CatalogView.h"
#include "RenameField.h"
#include "catalog/CatalogBuild.h"
#include "catalog/CatalogFile.h"
#include "platform/Diagnostics.h"
#include "platform/UiHooks.h"

void CatalogView::openFolder(const std::string& folder)
{
    if (!shown())
        return;
    debugPrint("openFolder(%s)\n", folder.c_str());
    if (catalogOpen)
        closeCatalogFolder();
    if (chdir(folder.c_str()) != 0)
        debugPrint("chdir(%s) failed\n", folder.c_str());
    model.folderPath = folder;
    ++folderGeneration_;
    Fl::remove_timeout(buildCatalogCb, this);
    Fl::add_timeout(0.0, buildCatalogCb, this);
    copy_label(folder.c_str());
    catalogOpen = true;
    host.folderOpened(folder);
}

void CatalogView::closeCatalogFolder()
{
    ++folderGeneration_;
    Fl::remove_timeout(buildCatalogCb, this);
    Fl::remove_idle(idleCb, this);
    closeCatalogModel(model, this); // saves a modified catalog, frees the entries
    delete propertyWindow;
    propertyWindow = nullptr;
    removeRenameField();
    if (monitor) {
        debugPrint("monが生きてるっぽいのでdelete.\n");
        CatalogBuildingMonitor* old = monitor;
        monitor = nullptr;
        delete old;
    }
    catalogOpen = false;
    monitorIndex = -1;
    if (shown() && !deleting_)
        layoutPage();
}

void CatalogView::buildCatalogCb(void* view)
{
    auto* v = static_cast<CatalogView*>(view);
    Running running(v);
    v->buildCatalog();
}

void CatalogView::buildCatalog()
{
    if (model.folderPath.empty())
        return;
    const int generation = folderGeneration_;
    const int missing = loadAndSyncCatalog(model);
    debugPrint("buildCatalog: %d entries, %d without thumbnail\n",
               static_cast<int>(model.entries.size()), missing);
    layoutPage();
    redraw();
    // The grid with its empty frames is on screen before the first thumbnail is made.
    pumpEvents();
    if (generation != folderGeneration_ || !shown())
        return;
    if (entriesWithoutThumbnail(model.entries) == 0)
        return;
    host.removePageListTip();
    if (monitor) {
        CatalogBuildingMonitor* old = monitor;
        monitor = nullptr;
        delete old;
    }
    monitor = new CatalogBuildingMonitor(x() + 50, y() + 50, this);
    monitor->set_modal();
    monitor->show();
    debugPrint("monitor shown\n");
    nextThumbnailIndex = 0;
    cancelRequested = false;
    monitorIndex = -1;
    Fl::remove_idle(idleCb, this);
    Fl::add_idle(idleCb, this);
}

void CatalogView::idleCb(void* view)
{
    auto* v = static_cast<CatalogView*>(view);
    Running running(v);
    v->thumbnailIdleStep();
}

void CatalogView::thumbnailIdleStep()
{
    const int generation = folderGeneration_;
    ThumbnailResult made;
    switch (thumbnailStep(model, nextThumbnailIndex, cancelRequested, this, &made)) {
    case ThumbnailStep::End:
        endBuilding();
        break;
    case ThumbnailStep::Made:
        // The folder may have been closed (or another opened) while the page was extracted.
        if (generation != folderGeneration_ || made.index < 0)
            break;
        monitorIndex = made.index;
        if (monitor && monitor->shown())
            monitor->redraw();
        invalidateCell(made.index, true);
        break;
    default:
        break;
    }
}

void CatalogView::endBuilding()
{
    Fl::remove_idle(idleCb, this);
    debugPrint("idle_cb removed.\n");
    if (monitor) {
        CatalogBuildingMonitor* old = monitor;
        monitor = nullptr;
        old->hide();
        delete old;
        debugPrint("モニタを消したと思う….\n");
    }
}

void CatalogView::remakeThumbnail()
{
    static bool remaking = false; // its extraction pumps events: no second remake inside it
    const int selected = model.selectedIndex;
    if (remaking || selected < 0 || selected >= static_cast<int>(model.entries.size()))
        return;
    remaking = true;
    const int generation = folderGeneration_;
    const ThumbnailResult result = makeEntryThumbnail(model, selected);
    remaking = false;
    if (generation == folderGeneration_ && result.index >= 0)
        invalidateCell(result.index, true);
}
