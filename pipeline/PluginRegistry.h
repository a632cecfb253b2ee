#pragma once

#include <string>
#include <vector>

#include "platform/MemoryBlock.h"
#include "platform/Mutex.h"
#include "plugins/SpiAbi.h"

// One plug-in file. Every call into it holds pluginLock (plug-ins are not assumed re-entrant).
// Owned by the registry; destroying it unloads the shared object.
struct SpiPlugin {
    SpiPlugin() = default;
    ~SpiPlugin();
    SpiPlugin(const SpiPlugin&) = delete;
    SpiPlugin& operator=(const SpiPlugin&) = delete;

    void* module = nullptr;  // the dlopen handle; null when loading failed
    std::string fileName;    // without its folder, such as "mekuri_archive.spi"
    char apiVersion[5] = {}; // "00IN", "00AM"; characters 2 and 3 are the type
    std::vector<std::string> patterns;
    GetPluginInfoFn GetPluginInfo = nullptr;
    GetArchiveInfoFn GetArchiveInfo = nullptr;
    GetFileFn GetFile = nullptr;
    GetPictureFn GetPicture = nullptr;
    GetPictureInfoFn GetPictureInfo = nullptr;
    Mutex pluginLock;
};

// Loads every "*.[sS][pP][iI]" file of the program file's folder, in the toolkit's
// case-insensitive numeric listing order (which is also their priority). Once, at start-up,
// before any other thread exists. A file that does not load is traced and keeps a place in
// the registry that never matches and is never called.
void loadPlugins();
// The same for another folder (tests, tools). Appends to the registry.
void loadPluginsFrom(const std::string& folder);

// Index of the first plug-in of `type` ("IN" image, "AM" archive) one of whose patterns matches
// the whole (lower-cased) name, or -1. Any thread; holds the registry lock for the look-up only.
int whichSpi(const std::string& name, const char* type);

// The plug-in at `index` (from whichSpi), or null. Any thread. The pointer stays valid until
// unloadPlugins.
SpiPlugin* pluginAt(int index);

// The loaded plug-ins' file names, four to a line, each after one blank; no newline at the end.
std::string pluginListText();

// Unloads every plug-in and empties the registry. Once, at exit, after the worker has ended
// (tests also use it to start again from an empty registry).
void unloadPlugins();

// Takes ownership of a block a plug-in malloc'ed and handed over (null gives an empty block).
// The interface does not say how large such a block is, so its size is what the allocator
// reserved for it: reading stays inside the block even when the plug-in's header lies.
MemoryBlock adoptPluginBlock(void* bytes);
