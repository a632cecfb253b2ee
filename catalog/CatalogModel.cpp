#include "CatalogModel.h"

#include <new>

std::shared_ptr<CatalogEntry> newCatalogEntry()
{
    std::shared_ptr<CatalogEntry> entry(new (std::nothrow) CatalogEntry);
    if (entry)
        clearEntry(*entry);
    return entry;
}

int findEntry(const CatalogEntries& entries, const CatalogEntry* entry)
{
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].get() == entry)
            return static_cast<int>(i);
    }
    return -1;
}
