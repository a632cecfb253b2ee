#pragma once

#include <cstdint>

#include "CacheObject.h"

class ImageOperatorWrapper;

// What the cache needs of its owner (the main window): the open book and the reduction
// quality. Both may be read from the worker thread; the book does not change while the
// cache is open.
class CacheOwner {
public:
    virtual ~CacheOwner() = default;
    // The open book, or null when none is open.
    virtual ImageOperatorWrapper* openBook() = 0;
    // 1 when reduced pictures use the high-quality method.
    virtual int highQualityReduction() const = 0;
};

// Bytes of pictures the cache keeps before the worker evicts unreferenced ones: a quarter of
// physical memory, at least 64,000,000. Computed once at start-up.
extern uint32_t cacheLimit;
uint32_t computeCacheLimit(uint32_t physicalMemory);

// The four-level image cache of the open book. prepareEntry is the one way to obtain a
// picture; every object obtained must be given back with release. Used by the UI thread and
// the worker thread; see the implementation for which lock guards what.
class CacheManager {
public:
    explicit CacheManager(CacheOwner* owner);
    ~CacheManager();

    // The object for the key, made on the calling thread level by level if missing (waiting
    // for a level another thread is making). Null when no book is open, the page is out of
    // range or making it failed. The caller owns one reference.
    CacheObject* prepareEntry(int tag, int page, float filterParam1, float filterParam2,
                              float scale);
    void release(CacheObject* object) { object->release(*this); }

    // Queues the key and its missing lower levels for the worker; returns at once.
    void requestChain(const CacheKey& key);
    void openCache();
    // Refuses new work, waits until nothing is queued, being made or held, and frees
    // everything. UI thread.
    void clearAll();
    // Drops reduced pictures nobody holds, after the reduction quality changed.
    void invalidate_scaled_entries();
    uint64_t memoryInUse();
};
