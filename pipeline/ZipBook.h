#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/PageEntry.h"
#include "platform/MemoryBlock.h"

// Books that are ZIP archives, read with minizip. Each call opens its own handle on the archive,
// so any number of threads may extract from one book at once.

// Lists every entry (folder entries too) in central-directory order: name, uncompressed size,
// index, local time of the entry, and where its directory record lies. Lets the toolkit process
// events before each entry. 1 on success; 0 (traced) when the archive does not open or an
// entry's record cannot be read. A failure while stepping keeps the entries listed so far.
// UI thread (it pumps events).
int unzip_list(const std::string& archive, int64_t* bookTime, std::vector<PageEntry>& pages);

// Extracts one listed entry into a new block of exactly entry.size bytes. 0 on success, 1 on
// failure (traced): the archive or entry does not open, the data is corrupt, the entry gives
// more or fewer bytes than listed, or its CRC does not match. Any thread.
int unzip_file(const std::string& archive, const PageEntry& entry, MemoryBlock& destination);

// The name of an entry as the program keeps it: taken as it is when the UTF-8 flag (bit 11 of
// `flags`) is set or the bytes are valid UTF-8, else decoded from cp932 (Windows-made Japanese
// archives), else with each undecodable byte replaced by U+FFFD; then cut to at most 255 cp932
// bytes without splitting a character.
std::string zipEntryName(const std::string& raw, unsigned long flags);

// Seconds since 1970 of an entry's date fields read as local time without daylight saving
// (year in full, month 0–11).
int64_t zipEntryTime(int year, int month, int day, int hour, int minute, int second);
