#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/PageEntry.h"
#include "platform/MemoryBlock.h"
#include "plugins/SpiAbi.h"

struct SpiPlugin;

// Books that an archive plug-in lists and extracts. Every call into the plug-in holds its
// pluginLock.

// Lists the archive through the plug-in's GetArchiveInfo, with the wait cursor shown around the
// call: name = record path + file name, size, position and time of each record. Success needs
// a return code of 0 and a record block, except for the plug-in "lhasad.spi", whose block is
// enough whatever it returns. The block is never read past what the allocator reserved for it
// nor past kMaxArchiveRecords records, even when its closing record is missing. 1 on success,
// 0 (traced) on failure. UI thread (it pumps events and sets the cursor).
int getArchiveInfo(const std::string& archive, int64_t* bookTime, SpiPlugin* plugin,
                   std::vector<PageEntry>& pages);

// Extracts one entry through the plug-in's GetFile into a new block of exactly entry.size bytes.
// False (traced) when the plug-in fails, gives no block, or gives a block smaller than listed,
// and when the calling thread gave up waiting for the plug-in (see PluginCallLock). Any thread.
bool extractWithPlugin(SpiPlugin* plugin, const std::string& archive, const PageEntry& entry,
                       MemoryBlock& block, SpiProgress progress);

// No archive has this many entries; a record block claiming more is cut there.
constexpr size_t kMaxArchiveRecords = 1000000;
