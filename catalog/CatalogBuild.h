#pragma once

#include "CatalogModel.h"
#include "CatalogThumbnail.h"

// The widget-free steps of opening, building and closing a catalog folder; the catalog window
// adds the layout, the progress monitor, the idle callback and the repainting. UI thread.

// The synchronous part of building: load the folder's catalog file, clear `modified`, then bring
// the list in line with the folder (which marks it modified and sorts it when it changes).
// Returns the number of entries still without a thumbnail (0: no thumbnail phase is needed).
int loadAndSyncCatalog(CatalogModel& model);

// Entries with hasThumbnail 0.
int entriesWithoutThumbnail(const CatalogEntries& entries);

// The model's part of closing a folder: save the catalog if modified (owner: parent of an
// error box), then free every entry and clear `modified` and the selection. The folder path
// and the sort order stay.
void closeCatalogModel(CatalogModel& model, const void* owner);

// One idle step of the thumbnail phase.
enum class ThumbnailStep {
    End,       // past the last entry or cancelled: the window ends the phase
    Made,      // entry `index` got a thumbnail (from its page or the placeholder)
    Skipped,   // the entry at the position already had one
    Reentered, // a step was already running (error box shown); nothing done
};

// Looks at position `nextIndex`: makes its thumbnail when it has none, then advances the
// position. Extraction pumps events, so the step can be entered again from inside itself:
// such a nested call shows the error box "idle callback が再入された。マズー" (owner `owner`)
// and returns Reentered. `made` receives the thumbnail outcome of a Made step.
ThumbnailStep thumbnailStep(CatalogModel& model, int& nextIndex, bool cancelRequested,
                            const void* owner, ThumbnailResult* made = nullptr,
                            SpiProgress progress = thumbnailProgress);
