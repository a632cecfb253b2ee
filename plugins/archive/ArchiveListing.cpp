#include "plugins/archive/ArchiveListing.h"

#include <archive.h>
#include <archive_entry.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/Diagnostics.h"
#include "platform/Text.h"
#include "plugins/SpiAbi.h"
#include "plugins/SpiSupport.h"
#include "plugins/archive/EntryNames.h"

namespace {

// One walk over the headers with one way of reading names.
struct Walk {
    Listing listing;
    uint32_t headers = 0;  // headers read, listed or not
    uint32_t badNames = 0; // names missing or not UTF-8 as read
};

int32_t clampTime(time_t t)
{
    if (t < INT32_MIN)
        return INT32_MIN;
    if (t > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(t);
}

// Whether the current entry is one the program can get, and why not.
const char* unlistableReason(archive_entry* entry)
{
    if (archive_entry_filetype(entry) != AE_IFREG)
        return "not a regular file";
    if (archive_entry_hardlink(entry) != nullptr)
        return "a hard link";
    if (!archive_entry_size_is_set(entry) || archive_entry_size(entry) < 0)
        return "size unknown";
    if (static_cast<unsigned long long>(archive_entry_size(entry)) > kSpiMaxBlockBytes)
        return "larger than 1 GiB";
    return nullptr;
}

void addEntry(archive* a, archive_entry* entry, uint32_t index, const char* name, Walk& walk)
{
    if (name == nullptr || !isValidUtf8(name))
        ++walk.badNames;
    if (name == nullptr) {
        debugPrint("mekuri_archive: entry %u has no readable name, left out\n", index);
        return;
    }
    if (const char* reason = unlistableReason(entry)) {
        if (archive_entry_filetype(entry) != AE_IFDIR)
            debugPrint("mekuri_archive: entry %u (%.200s) left out: %s\n", index, name, reason);
        return;
    }
    ListedEntry listed;
    listed.index = index;
    listed.name = name;
    listed.size = static_cast<uint32_t>(archive_entry_size(entry));
    listed.time = archive_entry_mtime_is_set(entry) ? clampTime(archive_entry_mtime(entry)) : 0;
    listed.method = methodText(a);
    walk.listing.entries.push_back(std::move(listed));
}

// Reads every header; false when the archive cannot be opened at all.
bool walkHeaders(const VolumeSet& volumes, NameCharset charset, Walk& walk)
{
    walk = Walk();
    walk.listing.charset = charset;
    ArchiveHandle handle = openArchive(volumes, charset);
    if (!handle)
        return false;
    archive* a = handle.get();
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF) {
            walk.listing.complete = true;
            break;
        }
        if (r < ARCHIVE_WARN || entry == nullptr) {
            debugPrint("mekuri_archive: %s: listing stopped at entry %u: %s\n",
                       volumes.paths.front().c_str(), walk.headers, archiveErrorText(a));
            break;
        }
        addEntry(a, entry, walk.headers, archive_entry_pathname(entry), walk);
        ++walk.headers;
    }
    return true;
}

// True when walk `b` read the archive better than walk `a`.
bool better(const Walk& b, const Walk& a)
{
    if (b.listing.complete != a.listing.complete)
        return b.listing.complete;
    if (b.headers != a.headers)
        return b.headers > a.headers;
    return b.badNames < a.badNames;
}

} // namespace

bool listArchive(const VolumeSet& volumes, Listing& listing)
{
    // Names as stored first: right for every format that marks its names (7z, RAR 5, RAR 4
    // Unicode names, LZH UTF-16 names, ZIP UTF-8 names) and for UTF-8 names anywhere. Only
    // when that leaves a name that is not UTF-8, or stops the walk (libarchive gives up on an
    // LZH name it cannot convert), are the headers read again as cp932.
    Walk raw;
    if (!walkHeaders(volumes, NameCharset::Raw, raw))
        return false;
    Walk chosen = std::move(raw);
    if (!chosen.listing.complete || chosen.badNames > 0) {
        Walk cp932;
        if (walkHeaders(volumes, NameCharset::Cp932, cp932) && better(cp932, chosen))
            chosen = std::move(cp932);
    }
    if (chosen.headers == 0 && !chosen.listing.complete)
        return false;
    for (ListedEntry& entry : chosen.listing.entries)
        entry.name = entryNameToUtf8(entry.name);
    listing = std::move(chosen.listing);
    return true;
}

void* makeRecordBlock(const Listing& listing)
{
    const size_t count = listing.entries.size() + 1;
    auto* records = static_cast<SpiFileInfo*>(std::calloc(count, sizeof(SpiFileInfo)));
    if (records == nullptr)
        return nullptr;
    size_t out = 0;
    for (const ListedEntry& entry : listing.entries) {
        SpiFileInfo& record = records[out];
        if (!splitEntryName(entry.name, record)) {
            debugPrint("mekuri_archive: entry name too long or empty, left out: %.200s\n",
                       entry.name.c_str());
            continue;
        }
        std::strncpy(reinterpret_cast<char*>(record.method), entry.method.c_str(),
                     sizeof record.method - 1);
        record.position = entry.index;
        record.compsize = 0; // libarchive does not tell; nothing in the program reads it
        record.filesize = entry.size;
        record.timestamp = entry.time;
        record.crc = 0;
        ++out;
    }
    // The record after the last one was zeroed by calloc: its method starts with 0.
    return records;
}
