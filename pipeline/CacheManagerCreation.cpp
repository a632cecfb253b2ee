#include "CacheManager.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "pipeline/Bgr24.h"
#include "pipeline/Decoders.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "pipeline/PluginCallLock.h"
#include "platform/Diagnostics.h"

// CacheManager: making the object of each level from the one below, on the calling thread
// (prepareEntry) or on the worker (createEntry). The same makers serve both; they never hold
// the cache lock.

namespace {

// The stand-in for a page that cannot be decoded: 100 × 128, mid grey.
constexpr int kPlaceholderWidth = 100;
constexpr int kPlaceholderHeight = 128;
constexpr size_t kPlaceholderBytes = 38400;
constexpr unsigned char kPlaceholderGrey = 128;

int truncatedPercent(float scale)
{
    if (!(scale > -2147483648.0f && scale < 2147483647.0f))
        return 0;
    return static_cast<int>(scale);
}

// One side of a scaled picture: truncated toward zero, at least 1, at most INT_MAX (the
// size check that follows refuses anything that large).
int scaledSide(int side, double factor)
{
    const double scaled = static_cast<double>(side) * factor;
    if (!(scaled >= 1.0))
        return 1;
    if (scaled >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(scaled);
}

// The page's bytes; the placeholder bytes when they cannot be read, but nothing when the
// worker gave up waiting for the plug-in (the page is fine, only busy).
CacheObject* makeCompressed(ImageOperatorWrapper& book, int page)
{
    const std::string& name = book.pages[static_cast<size_t>(page)].name;
    MemoryBlock block;
    if (book.extract(page, block) && block.valid()) {
        debugPrint("file deflated to memory.(%s)\n", name.c_str());
        const size_t size = block.size();
        const int byteCount =
            size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
        return new CompressedFileCache(page, name, std::move(block), byteCount);
    }
    if (PluginCallLock::gaveUpOnThisThread())
        return nullptr;
    return new DummyCompressedFileCache(name, page);
}

CacheObject* makePlaceholder(int page)
{
    std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[kPlaceholderBytes]);
    if (!pixels)
        return nullptr;
    std::memset(pixels.get(), kPlaceholderGrey, kPlaceholderBytes);
    auto* object = new RawImageCache(page, std::move(pixels));
    object->width = kPlaceholderWidth;
    object->height = kPlaceholderHeight;
    return object;
}

// Decodes the parent's bytes (`decoded` set); the placeholder when they do not decode, and
// nothing when the worker gave up waiting for the image plug-in. The caller labels the page.
CacheObject* makeRaw(int page, CacheObject* parent, bool* decoded)
{
    *decoded = false;
    auto* file = dynamic_cast<CompressedFileCache*>(parent);
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char[]> pixels;
    if (file != nullptr && file->memory.valid() &&
        get_image(&width, &height, pixels, file->fileName, file->memory.data(),
                  file->memory.size()) &&
        pixels && pictureSizeAllowed(width, height)) {
        auto* object = new RawImageCache(page, std::move(pixels));
        object->width = width;
        object->height = height;
        *decoded = true;
        return object;
    }
    if (PluginCallLock::gaveUpOnThisThread())
        return nullptr;
    debugPrint("IJL read header error\n");
    return makePlaceholder(page);
}

CacheObject* makeFiltered(const CacheKey& key, CacheObject* parent)
{
    if (key.filterParam1 != 1.0f || key.filterParam2 != 0.0f) {
        reportError(nullptr, "Filtering is not implemented yet\n");
        return nullptr;
    }
    debugPrint("Use copy of raw-image as filtered-image\n");
    return new FilteredImageCache(parent);
}

CacheObject* makeScaled(const CacheKey& key, CacheObject* parent, int highQuality)
{
    if (key.scale == 100.0f) {
        debugPrint("Use copy of original-size-image\n");
        return new ScaledImageCache(parent);
    }
    int oldWidth = 0;
    int oldHeight = 0;
    const unsigned char* source = parent->imageData(&oldWidth, &oldHeight);
    const double factor = static_cast<double>(key.scale) / 100.0;
    const int newWidth = scaledSide(oldWidth, factor);
    const int newHeight = scaledSide(oldHeight, factor);
    // Sizes are checked in 64 bits before allocating: at 400 % a large scan would need
    // gigabytes, and a wrapped 32-bit size would overflow the heap.
    std::unique_ptr<unsigned char[]> pixels;
    if (source != nullptr && pictureSizeAllowed(newWidth, newHeight))
        pixels.reset(new (std::nothrow) unsigned char[pictureBytes(newWidth, newHeight)]);
    if (!pixels) {
        debugPrint("Scaling %d%% (%dx%d)->(%dx%d) refused: picture too large\n",
                   truncatedPercent(key.scale), oldWidth, oldHeight, newWidth, newHeight);
        return nullptr;
    }
    scaleImage(source, oldWidth, oldHeight, newWidth, newHeight, pixels.get(), highQuality);
    debugPrint("Scaling %d%% (%dx%d)->(%dx%d)\n", truncatedPercent(key.scale), oldWidth, oldHeight,
               newWidth, newHeight);
    auto* object = new ScaledImageCache(key.page, std::move(pixels), key.filterParam1,
                                        key.filterParam2, key.scale);
    object->width = newWidth;
    object->height = newHeight;
    return object;
}

} // namespace

CacheObject* CacheManager::prepareEntry(int tag, int page, float filterParam1, float filterParam2,
                                        float scale)
{
    ImageOperatorWrapper* book = owner_->currentBook();
    if (book == nullptr)
        return nullptr;
    if (page < 0 || page >= static_cast<int>(book->pages.size())) {
        debugPrint("Page is out of range (b)\n");
        return nullptr;
    }
    if (tag < COMPRESSEDFILE || tag > SCALEDIMG)
        return nullptr;
    // Keys are compared exactly and ordered in `creating`: a NaN would break both.
    if (!std::isfinite(filterParam1) || !std::isfinite(filterParam2) || !std::isfinite(scale))
        return nullptr;
    // The levels below a scaled picture exist only at 100 %, and the two lowest only with the
    // identity filter: a key the made object would not carry could never leave `creating`.
    CacheKey key{tag, page, filterParam1, filterParam2, scale};
    if (tag < SCALEDIMG)
        key.scale = 100.0f;
    if (tag < FILTEREDIMG) {
        key.filterParam1 = 1.0f;
        key.filterParam2 = 0.0f;
    }
    CacheObject* found = nullptr;
    switch (lookupOrReserve(key, &found)) {
    case Lookup::NoObject:
        return nullptr;
    case Lookup::Found:
        return found;
    case Lookup::Creator:
        break;
    }
    switch (tag) {
    case COMPRESSEDFILE:
        return prepareCompressed(*book, key);
    case RAWIMG:
        return prepareRaw(*book, key);
    case FILTEREDIMG:
        return prepareFiltered(key);
    default:
        return prepareScaled(key);
    }
}

CacheObject* CacheManager::prepareCompressed(ImageOperatorWrapper& book, const CacheKey& key)
{
    return insertEntry(makeCompressed(book, key.page), true);
}

CacheObject* CacheManager::prepareRaw(ImageOperatorWrapper& book, const CacheKey& key)
{
    CacheObject* parent = prepareEntry(COMPRESSEDFILE, key.page, 1.0f, 0.0f, 100.0f);
    if (parent == nullptr) {
        debugPrint("prepareEntry(RAWIMG,%d) failed\n", key.page);
        cancelCreation(key);
        return nullptr;
    }
    bool decoded = false;
    CacheObject* made = makeRaw(key.page, parent, &decoded);
    // The book is labelled only while it is still the one being read: an error box raised
    // while decoding may have let the book be closed.
    if (decoded && !creationAbandoned(key))
        book.setSizeLabel(made->width, key.page, made->height);
    CacheObject* stored = made != nullptr ? insertEntry(made, true) : nullptr;
    if (stored == nullptr)
        cancelCreation(key);
    release(parent);
    return stored;
}

CacheObject* CacheManager::prepareFiltered(const CacheKey& key)
{
    CacheObject* parent = prepareEntry(RAWIMG, key.page, 1.0f, 0.0f, 100.0f);
    if (parent == nullptr) {
        debugPrint("prepareEntry(FILTEREDIMG,%d) failed\n", key.page);
        cancelCreation(key);
        return nullptr;
    }
    CacheObject* made = makeFiltered(key, parent);
    // Inserted before the parent is given back: the new object shares the parent's pixels,
    // which must not be evicted in between.
    CacheObject* stored = made != nullptr ? insertEntry(made, true) : nullptr;
    if (stored == nullptr)
        cancelCreation(key);
    release(parent);
    return stored;
}

CacheObject* CacheManager::prepareScaled(const CacheKey& key)
{
    CacheObject* parent =
        prepareEntry(FILTEREDIMG, key.page, key.filterParam1, key.filterParam2, 100.0f);
    if (parent == nullptr) {
        debugPrint("prepareEntry(SCALEDIMG,%d) failed\n", key.page);
        cancelCreation(key);
        return nullptr;
    }
    // Made again at the new quality when the quality changed while it was being scaled.
    CacheObject* stored = nullptr;
    Refusal refusal = Refusal::OldQuality;
    while (refusal == Refusal::OldQuality) {
        const int quality = key.scale == 100.0f ? 0 : beginScaling(key);
        CacheObject* made = makeScaled(key, parent, quality);
        if (made == nullptr)
            break;
        stored = store(made, true, &refusal);
    }
    if (stored == nullptr)
        cancelCreation(key);
    release(parent);
    return stored;
}

CacheObject* CacheManager::createEntry(const CacheKey& request, CacheObject* parent)
{
    ImageOperatorWrapper* book = owner_->currentBook();
    if (book == nullptr)
        return nullptr;
    if (request.page < 0 || request.page >= static_cast<int>(book->pages.size())) {
        debugPrint("Page is out of range (b)\n");
        return nullptr;
    }
    if (request.tag != COMPRESSEDFILE && parent == nullptr)
        return nullptr;
    switch (request.tag) {
    case COMPRESSEDFILE:
        return makeCompressed(*book, request.page);
    case RAWIMG: {
        bool decoded = false;
        CacheObject* made = makeRaw(request.page, parent, &decoded);
        if (decoded)
            book->setSizeLabel(made->width, request.page, made->height);
        return made;
    }
    case FILTEREDIMG:
        return makeFiltered(request, parent);
    case SCALEDIMG:
        return makeScaled(request, parent, request.scale == 100.0f ? 0 : beginScaling(request));
    default:
        return nullptr;
    }
}
