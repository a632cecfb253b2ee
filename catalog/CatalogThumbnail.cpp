#include "CatalogThumbnail.h"

#include <cstring>
#include <vector>

#include "pipeline/Decoders.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"
#include "platform/UiHooks.h"
#include "resources/Resources.h"

namespace {

// A thumbnail made apart from the record, so a failure leaves the record untouched.
struct MadeThumbnail {
    int16_t width = 0, height = 0, offsetX = 0, offsetY = 0;
    std::vector<unsigned char> pixels = std::vector<unsigned char>(kThumbnailBytes, 0);

    bool inBox() const
    {
        return width >= 1 && width <= kThumbnailBox && height >= 1 && height <= kThumbnailBox &&
               offsetX >= 0 && offsetY >= 0 && offsetX + width <= kThumbnailBox &&
               offsetY + height <= kThumbnailBox;
    }
};

// Reads and decodes the first page of `path`; false (traced) when it cannot.
bool thumbnailFromFirstPage(const std::string& path, SpiProgress progress, MadeThumbnail& made)
{
    ImageOperatorWrapper book(path);
    filterPages(book.pages);
    sortPages(book.pages);
    if (!book.valid || book.pages.empty())
        return false;
    MemoryBlock block;
    if (!book.extract(0, block, progress)) {
        debugPrint("extract failed\n");
        return false;
    }
    debugPrint("extract success\n");
    debugPrint("    getthumbnail in\n");
    const int ok =
        get_thumbnail(&made.width, &made.height, &made.offsetX, &made.offsetY, made.pixels.data(),
                      block.data(), block.size(), book.pages[0].name);
    block.reset();
    debugPrint("    getthumbnail out\n");
    return ok != 0 && made.inBox();
}

} // namespace

int thumbnailProgress(int, int, long)
{
    pumpEvents();
    return 0;
}

void setPlaceholderThumbnail(CatalogEntry& entry)
{
    BmpView view;
    if (viewBmp24(noImageResource(), view) && view.width == kThumbnailBox &&
        view.height == kThumbnailBox)
        std::memcpy(entry.thumbPixels, view.pixels, kThumbnailBytes);
    else
        std::memset(entry.thumbPixels, 255, kThumbnailBytes);
    entry.thumbWidth = kThumbnailBox;
    entry.thumbHeight = kThumbnailBox;
    entry.thumbOffsetX = 0;
    entry.thumbOffsetY = 0;
    entry.hasThumbnail = 1;
}

ThumbnailResult makeEntryThumbnail(CatalogModel& model, int index, SpiProgress progress)
{
    ThumbnailResult result;
    if (index < 0 || index >= static_cast<int>(model.entries.size()))
        return result;
    // Shared ownership: the events pumped during extraction may close the folder or sort it.
    const std::shared_ptr<CatalogEntry> record = model.entries[index];
    MadeThumbnail made;
    if (thumbnailFromFirstPage(joinPath(model.folderPath, entryName(*record)), progress, made)) {
        record->thumbWidth = made.width;
        record->thumbHeight = made.height;
        record->thumbOffsetX = made.offsetX;
        record->thumbOffsetY = made.offsetY;
        std::memcpy(record->thumbPixels, made.pixels.data(), kThumbnailBytes);
        record->hasThumbnail = 1;
        result.fromPage = true;
    }
    result.index = findEntry(model.entries, record.get());
    // A record that left the list belongs to a folder no longer open: its change is not ours.
    if (result.fromPage && result.index >= 0)
        model.modified = true;
    if (record->hasThumbnail == 0) {
        setPlaceholderThumbnail(*record);
        result.placeholder = true;
    }
    return result;
}
