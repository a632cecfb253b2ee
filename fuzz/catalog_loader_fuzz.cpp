// libFuzzer target: the catalog loader and the record code on arbitrary bytes. Besides the
// sanitizers' checks it asserts that whatever the loader accepts survives a save and a second
// load unchanged (every field but the name, whose encoding may legitimately change).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "catalog/CatalogFile.h"
#include "catalog/Rle.h"
#include "catalog/SortOrder.h"

namespace {

// Some names "exist" and some do not, so both ways of reading a stored name are taken.
bool fakeExists(const std::string& name)
{
    return !name.empty() && (static_cast<unsigned char>(name[0]) & 1) != 0;
}

CatalogEntries load(const unsigned char* data, size_t size, bool* ok)
{
    CatalogEntries entries;
    *ok = false;
    if (size == 0)
        return entries;
    FILE* file = fmemopen(const_cast<unsigned char*>(data), size, "rb");
    if (!file)
        return entries;
    *ok = readCatalog(file, static_cast<int64_t>(size), fakeExists, entries);
    fclose(file);
    if (!*ok && !entries.empty())
        abort(); // a refused file must leave the list empty
    return entries;
}

void checkRoundTrip(const CatalogEntries& entries)
{
    char* saved = nullptr;
    size_t savedSize = 0;
    FILE* out = open_memstream(&saved, &savedSize);
    if (!out)
        return;
    const bool written = writeCatalog(out, entries, nullptr);
    fclose(out);
    if (!written)
        abort();
    bool ok = false;
    const CatalogEntries again =
        load(reinterpret_cast<const unsigned char*>(saved), savedSize, &ok);
    if (!ok || again.size() != entries.size())
        abort();
    std::vector<unsigned char> a(kCatalogEntrySize), b(kCatalogEntrySize);
    for (size_t i = 0; i < entries.size(); ++i) {
        serializeEntry(*entries[i], a.data());
        serializeEntry(*again[i], b.data());
        if (std::memcmp(a.data() + kCatalogNameField, b.data() + kCatalogNameField,
                        kCatalogEntrySize - kCatalogNameField) != 0)
            abort();
    }
    free(saved);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The raw decoder into a buffer of exactly one record: ASan sees any stray write.
    std::vector<unsigned char> record(kCatalogEntrySize);
    const long produced = rleDecode(size, record.data(), record.size(), data);
    if (produced > static_cast<long>(kCatalogEntrySize))
        abort();

    bool ok = false;
    CatalogEntries entries = load(data, size, &ok);
    if (!ok)
        return 0;
    checkRoundTrip(entries);
    // Sorting arbitrary names must keep every record and the selection (std::sort over a
    // comparator that is not a strict weak order could run off the list).
    const int count = static_cast<int>(entries.size());
    const CatalogEntry* chosen = count > 0 ? entries[count / 2].get() : nullptr;
    int selected = count > 0 ? count / 2 : -1;
    for (int order : {kSortByName, kSortByTime, kSortBySize}) {
        selected = applySortOrder(entries, order, selected);
        if (static_cast<int>(entries.size()) != count ||
            (chosen && entries[selected].get() != chosen))
            abort();
    }
    return 0;
}
