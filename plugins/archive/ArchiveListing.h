#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugins/archive/ArchiveHandle.h"
#include "plugins/archive/VolumeSet.h"

// One entry the program can get: a regular file with its bytes in the archive.
struct ListedEntry {
    uint32_t index = 0; // the entry's place among all headers of the archive, from 0
    std::string name;   // UTF-8, folders separated by "/"
    uint32_t size = 0;
    int32_t time = 0; // seconds since 1970, clamped to 32 bits
    std::string method;
};

struct Listing {
    std::vector<ListedEntry> entries;
    NameCharset charset = NameCharset::Raw; // how the headers were read
    bool complete = false;                  // the walk reached the end of the archive
};

// Lists the regular-file entries of an archive. Folders, links, entries without a size and
// entries above the 1 GiB block limit are left out; encrypted entries are listed (getting
// them fails). Names: the headers are read as stored; when that leaves a name that is not
// UTF-8, or the walk stops early, they are read once more taking unmarked names as cp932 and
// the better walk wins (see listArchive in the source). A walk that stops after some entries
// keeps them. False when the archive cannot be opened or no header at all can be read.
// Call inside a Utf8LocaleScope; any thread, one call at a time per archive handle.
bool listArchive(const VolumeSet& volumes, Listing& listing);

// The record block GetArchiveInfo hands over: one SpiFileInfo per entry and a final record
// whose method starts with 0; malloc'ed, the caller frees it. Null when out of memory.
void* makeRecordBlock(const Listing& listing);
