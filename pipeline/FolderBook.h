#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/PageEntry.h"
#include "platform/MemoryBlock.h"

// Books that are folders of picture files.

// Lists every name of `folder` ("." and "..", subfolders and other files included; the
// decoders' filter drops them later) in the toolkit's case-insensitive numeric order, with
// each file's size and modification time, and the folder's own time in *bookTime. 1 on
// success; 0, after the error box "scan directory failed\n", when the folder cannot be listed.
// UI thread (it may show a box).
int scanFolder(const std::string& folder, int64_t* bookTime, std::vector<PageEntry>& pages);

// Reads exactly `size` bytes of the file `path` into a new block. False when the file does not
// open or holds fewer bytes (traced). Any thread.
bool readFolderPage(const std::string& path, uint32_t size, MemoryBlock& block);
