#include "SortOrder.h"

#include <algorithm>

#include "platform/Diagnostics.h"
#include "platform/NameOrder.h"

bool ByFileNameForEntry::operator()(const CatalogEntry& a, const CatalogEntry& b) const
{
    return compareNames(entryName(a), entryName(b), natural) < 0;
}

bool ByTimeForEntry::operator()(const CatalogEntry& a, const CatalogEntry& b) const
{
    return a.modifiedTime > b.modifiedTime;
}

bool BySizeForEntry::operator()(const CatalogEntry& a, const CatalogEntry& b) const
{
    return a.fileSize > b.fileSize;
}

namespace {

template <typename Less> void sortBy(CatalogEntries& entries, Less less)
{
    std::sort(entries.begin(), entries.end(),
              [&less](const std::shared_ptr<CatalogEntry>& a,
                      const std::shared_ptr<CatalogEntry>& b) { return less(*a, *b); });
}

} // namespace

int applySortOrder(CatalogEntries& entries, int order, int selected)
{
    debugPrint("current strategy=%d\n", order);
    const bool inList = selected >= 0 && selected < static_cast<int>(entries.size());
    const CatalogEntry* remembered = inList ? entries[selected].get() : nullptr;
    switch (order) {
    case kSortByName:
        sortBy(entries, ByFileNameForEntry());
        break;
    case kSortByTime:
        sortBy(entries, ByTimeForEntry());
        break;
    case kSortBySize:
        sortBy(entries, BySizeForEntry());
        break;
    default:
        break;
    }
    return remembered ? findEntry(entries, remembered) : selected;
}

void applySortOrder(CatalogModel& model)
{
    model.selectedIndex = applySortOrder(model.entries, model.sortOrder, model.selectedIndex);
}
