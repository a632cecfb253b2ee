#pragma once

// Helpers shared by the cache tests: owners, hand-made cache objects, a cacheLimit that is
// restored after the test, and counting trace lines.

#include <cstring>
#include <memory>
#include <string>

#include "pipeline/Bgr24.h"
#include "pipeline/CacheManager.h"
#include "pipeline/CacheObject.h"

namespace cachetest {

// An owner with no book: prepareEntry answers none, everything else works.
class NoBookOwner : public CacheOwner {
  public:
    ImageOperatorWrapper* currentBook() override { return nullptr; }
    int reductionQuality() const override { return 1; }
};

// A raw picture with its own (zeroed) pixels, not yet in any cache.
inline RawImageCache* newRaw(int page, int width, int height)
{
    const size_t bytes = pictureBytes(width, height);
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[bytes]);
    std::memset(pixels.get(), 0, bytes);
    auto* raw = new RawImageCache(page, std::move(pixels));
    raw->width = width;
    raw->height = height;
    return raw;
}

inline ScaledImageCache* newScaled(int page, int width, int height, float scale)
{
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[pictureBytes(width, height)]);
    auto* scaled = new ScaledImageCache(page, std::move(pixels), 1.0f, 0.0f, scale);
    scaled->width = width;
    scaled->height = height;
    return scaled;
}

inline CompressedFileCache* newCompressed(int page, size_t bytes)
{
    MemoryBlock block = MemoryBlock::allocate(bytes);
    return new CompressedFileCache(page, "page.jpg", std::move(block), static_cast<int>(bytes));
}

// Sets cacheLimit for one test and puts the old value back.
class ScopedCacheLimit {
  public:
    explicit ScopedCacheLimit(uint32_t limit) : saved_(cacheLimit.load()) { cacheLimit = limit; }
    ~ScopedCacheLimit() { cacheLimit = saved_; }

  private:
    uint32_t saved_;
};

// Gives a picture back when the test leaves its scope, also after a failed assertion: a
// reference left behind would make the cache's destructor wait for ever.
class Held {
  public:
    Held(CacheManager& cache, CacheObject* object) : cache_(cache), object_(object) {}
    ~Held()
    {
        if (object_ != nullptr)
            cache_.release(object_);
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    CacheObject* get() const { return object_; }
    CacheObject* operator->() const { return object_; }
    // Gives it back now.
    void reset()
    {
        if (object_ != nullptr)
            cache_.release(object_);
        object_ = nullptr;
    }

  private:
    CacheManager& cache_;
    CacheObject* object_;
};

inline int countOf(const std::string& text, const std::string& needle)
{
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

inline CacheKey key(int tag, int page, float scale = 100.0f)
{
    return CacheKey{tag, page, 1.0f, 0.0f, scale};
}

} // namespace cachetest
