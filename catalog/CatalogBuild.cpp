#include "CatalogBuild.h"

#include "CatalogFile.h"
#include "CatalogSync.h"
#include "platform/Diagnostics.h"

namespace {

// One flag for the whole process: there is one UI thread and one thumbnail phase at a time.
bool stepRunning = false;

class StepGuard {
  public:
    StepGuard() { stepRunning = true; }
    ~StepGuard() { stepRunning = false; }
    StepGuard(const StepGuard&) = delete;
    StepGuard& operator=(const StepGuard&) = delete;
};

} // namespace

int entriesWithoutThumbnail(const CatalogEntries& entries)
{
    int count = 0;
    for (const auto& entry : entries)
        count += entry->hasThumbnail == 0 ? 1 : 0;
    return count;
}

int loadAndSyncCatalog(CatalogModel& model)
{
    if (model.folderPath.empty())
        return 0;
    loadCatalog(model);
    model.modified = false;
    syncWithFolder(model);
    return entriesWithoutThumbnail(model.entries);
}

void closeCatalogModel(CatalogModel& model, const void* owner)
{
    saveCatalog(model, owner);
    model.entries.clear();
    model.modified = false;
    model.selectedIndex = -1;
}

ThumbnailStep thumbnailStep(CatalogModel& model, int& nextIndex, bool cancelRequested,
                            const void* owner, ThumbnailResult* made, SpiProgress progress)
{
    if (stepRunning) {
        reportError(owner, "idle callback が再入された。マズー\n");
        return ThumbnailStep::Reentered;
    }
    StepGuard guard;
    if (cancelRequested || nextIndex < 0 || nextIndex >= static_cast<int>(model.entries.size()))
        return ThumbnailStep::End;
    const int index = nextIndex++;
    if (model.entries[index]->hasThumbnail != 0)
        return ThumbnailStep::Skipped;
    const ThumbnailResult result = makeEntryThumbnail(model, index, progress);
    if (made)
        *made = result;
    return ThumbnailStep::Made;
}
