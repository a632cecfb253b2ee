#include "CacheObject.h"

#include <algorithm>
#include <cstring>

#include "pipeline/Bgr24.h"
#include "pipeline/CacheManager.h"
#include "platform/Diagnostics.h"
#include "platform/SystemInfo.h"

namespace {

// What pixelAt answers for a point outside the picture.
const unsigned char kWhitePixel[3] = {0xFF, 0xFF, 0xFF};

// Charge for the bookkeeping of an object, on top of its bytes.
constexpr uint64_t kObjectCharge = 48;
constexpr uint64_t kCompressedCharge = 52;

uint64_t ownPixelBytes(const CacheObject& object)
{
    return pictureBytes(object.width, object.height);
}

} // namespace

bool CacheKey::operator==(const CacheKey& other) const
{
    return tag == other.tag && page == other.page && filterParam1 == other.filterParam1 &&
           filterParam2 == other.filterParam2 && scale == other.scale;
}

bool CacheKey::operator<(const CacheKey& other) const
{
    if (page != other.page)
        return page < other.page;
    if (tag != other.tag)
        return tag < other.tag;
    if (filterParam1 != other.filterParam1)
        return filterParam1 < other.filterParam1;
    if (filterParam2 != other.filterParam2)
        return filterParam2 < other.filterParam2;
    return scale < other.scale;
}

CacheObject::CacheObject(int tag, int page, float filterParam1, float filterParam2, float scale)
    : tag(tag), page(page), filterParam1(filterParam1), filterParam2(filterParam2), scale(scale),
      lastUsed(tickCount())
{
}

CacheObject::~CacheObject()
{
    if (refCount != 0)
        debugPrint("cache is freed while being referenced\n");
}

CacheKey CacheObject::key() const
{
    return CacheKey{tag, page, filterParam1, filterParam2, scale};
}

const unsigned char* CacheObject::imageData(int* widthOut, int* heightOut)
{
    const uint32_t now = tickCount();
    CacheObject* end = this;
    end->lastUsed.store(now, std::memory_order_relaxed);
    while (end->source != nullptr) {
        end = end->source;
        end->lastUsed.store(now, std::memory_order_relaxed);
    }
    if (widthOut != nullptr)
        *widthOut = end->width;
    if (heightOut != nullptr)
        *heightOut = end->height;
    return end->data();
}

const unsigned char* CacheObject::pixelAt(int x, int y)
{
    int w = 0;
    int h = 0;
    const unsigned char* bytes = imageData(&w, &h);
    if (bytes == nullptr || x < 0 || y < 0 || x >= w || y >= h)
        return kWhitePixel;
    return bytes + rowStride(w) * static_cast<size_t>(y) + 3 * static_cast<size_t>(x);
}

void CacheObject::touch()
{
    const uint32_t now = tickCount();
    for (CacheObject* object = this; object != nullptr; object = object->source)
        object->lastUsed.store(now, std::memory_order_relaxed);
}

void CacheObject::addRef()
{
    for (CacheObject* object = this; object != nullptr; object = object->source)
        ++object->refCount;
}

void CacheObject::release(CacheManager& cache)
{
    AutoLock hold(cache.lock);
    for (CacheObject* object = this; object != nullptr; object = object->source) {
        if (object->refCount <= 0)
            debugPrint("refcount under zero\n");
        --object->refCount;
    }
    cache.freeReleasedRetired();
}

bool CacheObject::sourceStillCached(const std::vector<CacheObject*>& entries, int sourceTag) const
{
    // Compare by address first: only a pointer still in entries may be dereferenced.
    if (std::find(entries.begin(), entries.end(), source) == entries.end())
        return false;
    return source->tag == sourceTag && source->page == page &&
           source->filterParam1 == filterParam1 && source->filterParam2 == filterParam2 &&
           source->scale == scale && source->isValid(entries);
}

CompressedFileCache::CompressedFileCache(int page, const std::string& name, MemoryBlock block,
                                         int byteCount)
    : CacheObject(COMPRESSEDFILE, page, 1.0f, 0.0f, 100.0f), memory(std::move(block)),
      fileName(name)
{
    width = byteCount;
    height = 1;
}

const unsigned char* CompressedFileCache::data() const
{
    return memory.data();
}

bool CompressedFileCache::isValid(const std::vector<CacheObject*>&) const
{
    return true;
}

uint64_t CompressedFileCache::memorySize() const
{
    return static_cast<uint64_t>(std::max(width, 0)) * static_cast<uint64_t>(std::max(height, 0)) +
           kCompressedCharge;
}

namespace {

MemoryBlock dummyFileBlock()
{
    static const char kDummy[10] = "DUMMYFILE";
    MemoryBlock block = MemoryBlock::allocate(sizeof kDummy);
    if (block.valid())
        std::memcpy(block.data(), kDummy, sizeof kDummy);
    return block;
}

} // namespace

DummyCompressedFileCache::DummyCompressedFileCache(const std::string& name, int page)
    : CompressedFileCache(page, name, dummyFileBlock(), 10)
{
}

const unsigned char* AbstractImageCache::data() const
{
    return pixels.get();
}

RawImageCache::RawImageCache(int page, std::unique_ptr<unsigned char[]> ownPixels)
    : AbstractImageCache(RAWIMG, page, 1.0f, 0.0f, 100.0f)
{
    pixels = std::move(ownPixels);
}

bool RawImageCache::isValid(const std::vector<CacheObject*>&) const
{
    return true;
}

uint64_t RawImageCache::memorySize() const
{
    return ownPixelBytes(*this) + kObjectCharge;
}

FilteredImageCache::FilteredImageCache(CacheObject* shared)
    : AbstractImageCache(FILTEREDIMG, shared->page, shared->filterParam1, shared->filterParam2,
                         shared->scale)
{
    width = shared->width;
    height = shared->height;
    source = shared;
    shared->lastUsed.store(tickCount(), std::memory_order_relaxed);
}

bool FilteredImageCache::isValid(const std::vector<CacheObject*>& entries) const
{
    return source == nullptr || sourceStillCached(entries, RAWIMG);
}

uint64_t FilteredImageCache::memorySize() const
{
    return source != nullptr ? kObjectCharge : ownPixelBytes(*this) + kObjectCharge;
}

ScaledImageCache::ScaledImageCache(int page, std::unique_ptr<unsigned char[]> ownPixels,
                                   float filterParam1, float filterParam2, float scale)
    : AbstractImageCache(SCALEDIMG, page, filterParam1, filterParam2, scale)
{
    pixels = std::move(ownPixels);
}

ScaledImageCache::ScaledImageCache(CacheObject* shared)
    : AbstractImageCache(SCALEDIMG, shared->page, shared->filterParam1, shared->filterParam2,
                         shared->scale)
{
    width = shared->width;
    height = shared->height;
    source = shared;
    shared->lastUsed.store(tickCount(), std::memory_order_relaxed);
}

bool ScaledImageCache::isValid(const std::vector<CacheObject*>& entries) const
{
    return source == nullptr || sourceStillCached(entries, FILTEREDIMG);
}

uint64_t ScaledImageCache::memorySize() const
{
    // A scaled picture with pixels of its own is charged its pixel bytes only.
    return source != nullptr ? kObjectCharge : ownPixelBytes(*this);
}
