#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/MemoryBlock.h"

class CacheManager;

// Levels of the pipeline a cached object belongs to.
enum CacheTag { COMPRESSEDFILE = 0, RAWIMG = 1, FILTEREDIMG = 2, SCALEDIMG = 3 };

// Identity of a cached picture. Equal when all five fields are equal (exact float comparison);
// ordered by page, then tag, then the three parameters.
struct CacheKey {
    int tag = 0;
    int page = 0;
    float filterParam1 = 1.0f;
    float filterParam2 = 0.0f;
    float scale = 100.0f;

    bool operator==(const CacheKey& other) const;
    bool operator!=(const CacheKey& other) const { return !(*this == other); }
    bool operator<(const CacheKey& other) const;
};

// Anything the image cache holds: a page's encoded bytes or a picture at some level. Owned by
// the cache once inserted; holders obtain it with one reference from prepareEntry and give it
// back with release. Pixels are never written after insertion, so a holder reads them
// without a lock.
class CacheObject {
  public:
    CacheObject(int tag, int page, float filterParam1, float filterParam2, float scale);
    // Traces "cache is freed while being referenced" when refCount is not 0.
    virtual ~CacheObject();
    CacheObject(const CacheObject&) = delete;
    CacheObject& operator=(const CacheObject&) = delete;

    // The object's own bytes (encoded page or pixels); null when it shares its source's.
    virtual const unsigned char* data() const = 0;
    // Whether the object may still be handed out, given the cache's entries: a sharing object
    // is valid only while its source is still cached and valid. Cache lock held.
    virtual bool isValid(const std::vector<CacheObject*>& entries) const = 0;
    // Bytes the cache charges for the object (in 64 bits: a scaled page may pass 4 GB).
    virtual uint64_t memorySize() const = 0;

    CacheKey key() const;
    // Pixels at the end of the sharing chain, with that object's size (each output optional).
    // Refreshes lastUsed along the chain. The caller holds a reference.
    const unsigned char* imageData(int* width, int* height);
    // Address of pixel (x, y), y from the bottom row; a white pixel outside the picture.
    const unsigned char* pixelAt(int x, int y);
    // lastUsed = now for the object and every object down its source chain. Any thread.
    void touch();
    // refCount + 1 along the sharing chain. Cache lock held by the caller.
    void addRef();
    // refCount - 1 along the sharing chain, under the cache's lock; a count already at 0 or
    // below is traced ("refcount under zero") and still decremented. Any thread.
    void release(CacheManager& cache);

    const int tag;
    const int page;
    const float filterParam1;
    const float filterParam2;
    const float scale;
    int refCount = 0;              // guarded by the cache lock
    int width = 0;                 // picture width; byte count for COMPRESSEDFILE
    int height = 0;                // picture height; 1 for COMPRESSEDFILE
    CacheObject* source = nullptr; // object whose pixels this one shares, not owned
    // Tick count of the last use. Written by either thread without the cache lock (a lost
    // update only changes the eviction order), hence atomic with relaxed ordering.
    std::atomic<uint32_t> lastUsed;

  protected:
    // Whether `source` is still a valid entry carrying level `sourceTag` with this object's
    // page and parameters (the test shared by the filtered and scaled pictures).
    bool sourceStillCached(const std::vector<CacheObject*>& entries, int sourceTag) const;
};

// The encoded bytes of a page. Owns the block and a copy of the page name.
class CompressedFileCache : public CacheObject {
  public:
    CompressedFileCache(int page, const std::string& name, MemoryBlock block, int byteCount);
    const unsigned char* data() const override;
    bool isValid(const std::vector<CacheObject*>& entries) const override;
    uint64_t memorySize() const override;

    MemoryBlock memory;
    std::string fileName;
};

// Stands in for a page whose bytes could not be read: 10 bytes "DUMMYFILE\0", which never
// decode, so the picture level becomes the placeholder.
class DummyCompressedFileCache : public CompressedFileCache {
  public:
    DummyCompressedFileCache(const std::string& name, int page);
};

// A picture with its own pixels (BGR24, see Bgr24.h) or sharing its source's.
class AbstractImageCache : public CacheObject {
  public:
    using CacheObject::CacheObject;
    const unsigned char* data() const override;

    std::unique_ptr<unsigned char[]> pixels; // null when sharing
};

// A decoded page. Takes ownership of the pixels; the creator sets width and height.
class RawImageCache : public AbstractImageCache {
  public:
    RawImageCache(int page, std::unique_ptr<unsigned char[]> pixels);
    bool isValid(const std::vector<CacheObject*>& entries) const override;
    uint64_t memorySize() const override;
};

// The filtered picture; at present it always shares the pixels of the page's raw picture.
class FilteredImageCache : public AbstractImageCache {
  public:
    // Shares `source` (a RAWIMG object), copying its page, parameters and size.
    explicit FilteredImageCache(CacheObject* source);
    bool isValid(const std::vector<CacheObject*>& entries) const override;
    uint64_t memorySize() const override;
};

// A picture at a display scale: its own resampled pixels, or at 100 % sharing the filtered
// picture.
class ScaledImageCache : public AbstractImageCache {
  public:
    // Own pixels, owned from now on; the creator sets width and height.
    ScaledImageCache(int page, std::unique_ptr<unsigned char[]> pixels, float filterParam1,
                     float filterParam2, float scale);
    // Shares `source` (a FILTEREDIMG object), copying its page, parameters and size.
    explicit ScaledImageCache(CacheObject* source);
    bool isValid(const std::vector<CacheObject*>& entries) const override;
    uint64_t memorySize() const override;
};
