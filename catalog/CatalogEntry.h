#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// One archive of a catalog: its name, size, time and thumbnail. The record has the fixed layout
// of the catalog file (49,696 bytes, little-endian), so a record in memory and a record in the
// file differ only in the name's encoding: UTF-8 here, code page 932 in the file.

constexpr size_t kCatalogEntrySize = 49696;
constexpr size_t kCatalogNameField = 512;
constexpr size_t kCatalogNameMax = 510; // bytes of text; bytes 510 and 511 stay zero
constexpr int kThumbnailBox = 128;
constexpr size_t kThumbnailBytes = 49152; // 128 × 128 × 3

struct CatalogEntry {
    char fileName[kCatalogNameField]; // UTF-8, NUL-terminated and NUL-padded
    int32_t fileSize;                 // bytes; 0 when the status could not be read
    unsigned char padding1[4];
    int64_t modifiedTime; // seconds since 1970 UTC; 0 when the status could not be read
    int16_t hasThumbnail; // 1: the five fields below and thumbPixels are valid
    int16_t thumbWidth;   // 1..128
    int16_t thumbHeight;  // 1..128
    int16_t thumbOffsetX; // from the left edge of the 128 × 128 box
    int16_t thumbOffsetY; // from the top edge of the box
    unsigned char thumbPixels[kThumbnailBytes]; // BGR, bottom-up rows of thumbRowStride bytes
    unsigned char padding2[6];
};

static_assert(sizeof(CatalogEntry) == kCatalogEntrySize, "catalog record size");
static_assert(offsetof(CatalogEntry, fileSize) == 512, "fileSize offset");
static_assert(offsetof(CatalogEntry, modifiedTime) == 520, "modifiedTime offset");
static_assert(offsetof(CatalogEntry, hasThumbnail) == 528, "hasThumbnail offset");
static_assert(offsetof(CatalogEntry, thumbWidth) == 530, "thumbWidth offset");
static_assert(offsetof(CatalogEntry, thumbHeight) == 532, "thumbHeight offset");
static_assert(offsetof(CatalogEntry, thumbOffsetX) == 534, "thumbOffsetX offset");
static_assert(offsetof(CatalogEntry, thumbOffsetY) == 536, "thumbOffsetY offset");
static_assert(offsetof(CatalogEntry, thumbPixels) == 538, "thumbPixels offset");
static_assert(offsetof(CatalogEntry, padding2) == 49690, "trailing padding offset");

// Bytes one thumbnail row occupies: (width × 3 + 3) rounded down to a multiple of 4.
inline size_t thumbRowStride(int width)
{
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

// A record with every byte zero (no name, no thumbnail).
void clearEntry(CatalogEntry& entry);

// The name as a string (up to the first NUL, at most 510 bytes).
std::string entryName(const CatalogEntry& entry);

// Stores `name` cut to 510 bytes at a character boundary, NUL-padding the rest of the field.
void setEntryName(CatalogEntry& entry, const std::string& name);

// Cuts UTF-8 text to at most `maxBytes` bytes without splitting a well-formed character.
std::string cutToBytes(const std::string& text, size_t maxBytes);

// True when hasThumbnail is 1 and the size and offsets describe a picture inside the box.
bool thumbnailFieldsValid(const CatalogEntry& entry);

// Number of thumbPixels bytes that carry the picture (0 without a valid thumbnail).
size_t significantThumbnailBytes(const CatalogEntry& entry);

// Writes the file form of `entry` into `out` (kCatalogEntrySize bytes): little-endian fields,
// the name in code page 932 (or its UTF-8 bytes when cp932 cannot hold it exactly), zeros in
// the padding, the unused part of thumbPixels and every byte past the name. Any thread.
void serializeEntry(const CatalogEntry& entry, unsigned char* out);

// Answers whether a name (UTF-8 or raw bytes) names a file in the catalog folder.
using NameExists = std::function<bool(const std::string& name)>;

// Reads the file form back. The stored name is decoded from cp932; when that names no file
// (by `exists`) but the raw bytes do, the raw bytes are taken. A thumbnail whose fields are
// out of range is dropped (hasThumbnail 0) so it is made again; returns false in that case
// only to let the caller trace it — the record is still usable.
bool deserializeEntry(const unsigned char* in, CatalogEntry& entry, const NameExists& exists);
