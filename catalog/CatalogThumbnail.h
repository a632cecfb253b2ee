#pragma once

#include "CatalogModel.h"
#include "plugins/SpiAbi.h"

// Making one catalog entry's thumbnail from the first page of its archive, without widgets:
// the catalog window calls it from its idle step and from the re-create-thumbnail command,
// then repaints the cell. UI thread.

// What making a thumbnail did.
struct ThumbnailResult {
    bool fromPage = false;    // made from the archive's first page (the model is marked modified)
    bool placeholder = false; // the entry got the "No Image" placeholder
    int index = -1;           // the record's position now; -1 when it left the list meanwhile
};

// The extraction's progress callback: lets the toolkit process pending events once (through the
// installed event pump) and asks to go on. The caller must expect re-entry from those events.
int thumbnailProgress(int done, int total, long user);

// Gives the entry the placeholder: the 128 × 128 "No Image" picture (white when the resource
// is missing), offsets 0, hasThumbnail 1. Does not mark anything modified.
void setPlaceholderThumbnail(CatalogEntry& entry);

// Opens entry `index`'s archive in the model's folder, keeps the decodable pages in reading
// order and makes the thumbnail from page 0; on success the entry's thumbnail is replaced and
// the model marked modified. An entry still without a thumbnail then gets the placeholder (an
// old thumbnail is kept when a remake fails). Nothing happens for an index out of range. The
// record is held while events are pumped, so a list closed or re-sorted meanwhile is safe; the
// model itself must outlive the call.
ThumbnailResult makeEntryThumbnail(CatalogModel& model, int index,
                                   SpiProgress progress = thumbnailProgress);
