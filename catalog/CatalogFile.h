#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "CatalogModel.h"

// The catalog file "_$mekuri.bin" in each catalog folder: the line "mekuri catalog 0000\n",
// the record size 49696 and the record count N as little-endian int32, then per record an
// int32 length L and L bytes of the run-length compressed record. UI thread.

extern const char* const kCatalogFileName;
// True when `name` (a bare file name) is the catalog file's name in any letter case: such a
// file is always taken for a catalog, and the next catalog save replaces the exact name.
bool isCatalogFileName(const std::string& name);
// A name a book or archive may be renamed to: an acceptable file name that is not the catalog
// file's (a book under that name could not be opened, and a catalog save would replace it).
bool acceptableBookName(const std::string& name);
constexpr int kCatalogVersion = 0;
// Largest compressed record a reader accepts (the writer's work buffer).
constexpr int32_t kMaxCompressedRecord = 3 * static_cast<int32_t>(kCatalogEntrySize);

// The catalog file's path in `folder`.
std::string catalogFilePath(const std::string& folder);

// Most records a catalog file may hold before it is refused, so that a broken or hostile file
// cannot make the loader allocate more than about half of the machine's memory.
size_t maxCatalogEntries();

// Writes the whole catalog to `file`. False as soon as a write fails (or the encoder fails,
// after its error box with `owner`).
bool writeCatalog(FILE* file, const CatalogEntries& entries, const void* owner);

// Reads a catalog of `fileSize` bytes from `file`, checking every field: a wrong header,
// version or record size, a negative or impossible count, a truncated file, a compressed
// length outside 0..149088 or a record that does not expand to exactly 49696 bytes makes it
// return false with a trace and `entries` empty. Never reads or writes outside its buffers.
bool readCatalog(FILE* file, int64_t fileSize, const NameExists& exists, CatalogEntries& entries);

// Writes the model's catalog file when a folder is set and the catalog is modified. The new
// file is written beside the old one, flushed to disk and then renamed over it, so a failure
// (traced "warning: can't save catalog") leaves the old file as it was. Clears `modified`
// on success. True when the file now holds the catalog or nothing had to be written.
bool saveCatalog(CatalogModel& model, const void* owner);

// Replaces the model's entries by the folder's catalog file and sorts them by the model's
// order (the selection is cleared first). A missing or broken file leaves the list empty
// (traced). Does not touch `modified`. True when a catalog was read.
bool loadCatalog(CatalogModel& model);
