#pragma once

#include <string>
#include <vector>

#include "CatalogModel.h"

// Bringing a catalog in line with the archives really in its folder. UI thread.

// True when `name` is an archive the program opens — *.zip, *.lzh, *.rar or a pattern a
// loaded archive plug-in declares (*.7z, *.cbz, …), in any letter case — and names a regular
// file (symbolic links followed) in `folder`. Folders, devices and pipes never match (a pipe
// would block the thumbnail maker for ever), nor does the catalog file.
bool isCatalogArchive(const std::string& name, const std::string& folder);

// The folder's archives in the toolkit's listing order. False (traced) when the folder cannot
// be listed.
bool listCatalogArchives(const std::string& folder, std::vector<std::string>& names);

// The size a record stores for a file of `size` bytes: sizes past 2 GiB are kept as the
// largest signed 32-bit value, so the size order still puts them first.
int32_t recordedFileSize(int64_t size);

// Drops entries whose archive is gone (byte-exact name, case matters) or whose size or time
// changed, and adds an entry without thumbnail for every archive not in the list, tracing each
// change ("UPDATE: ..."). When anything changed, sets `modified` and sorts by the model's order
// keeping the selected record selected (a dropped selection becomes -1). A folder that cannot
// be listed leaves the list alone. Returns whether the list changed.
bool syncWithFolder(CatalogModel& model);
