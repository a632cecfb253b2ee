#include "pipeline/CacheObject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "pipeline/Bgr24.h"
#include "pipeline/CacheManager.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

class NoBookOwner : public CacheOwner {
  public:
    ImageOperatorWrapper* currentBook() override { return nullptr; }
    int reductionQuality() const override { return 1; }
};

std::unique_ptr<RawImageCache> makeRaw(int page, int width, int height)
{
    const size_t bytes = pictureBytes(width, height);
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[bytes]);
    std::memset(pixels.get(), 0, bytes);
    auto raw = std::make_unique<RawImageCache>(page, std::move(pixels));
    raw->width = width;
    raw->height = height;
    return raw;
}

std::unique_ptr<ScaledImageCache> makeScaled(int page, int width, int height, float scale)
{
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[pictureBytes(width, height)]);
    auto scaled = std::make_unique<ScaledImageCache>(page, std::move(pixels), 1.0f, 0.0f, scale);
    scaled->width = width;
    scaled->height = height;
    return scaled;
}

// A chain raw ← filtered ← scaled at 100 %, as prepareEntry builds it for a page.
struct SharingChain {
    std::unique_ptr<RawImageCache> raw = makeRaw(3, 100, 100);
    std::unique_ptr<FilteredImageCache> filtered = std::make_unique<FilteredImageCache>(raw.get());
    std::unique_ptr<ScaledImageCache> scaled = std::make_unique<ScaledImageCache>(filtered.get());
    std::vector<CacheObject*> entries{raw.get(), filtered.get(), scaled.get()};
};

} // namespace

TEST(Bgr24Layout, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(rowStride(1), 4u);
    EXPECT_EQ(pictureBytes(1, 1), 4u);
    EXPECT_EQ(rowStride(2), 8u);
    EXPECT_EQ(rowStride(4), 12u);
    EXPECT_EQ(rowStride(50), 152u);
    EXPECT_EQ(rowStride(100), 300u);
}

TEST(Bgr24Layout, HugeSizesAreComputedIn64BitsAndRefused)
{
    // 400 % of a 6000 × 9000 scan: 24000 × 36000 pixels, about 2.6 GB.
    EXPECT_EQ(pictureBytes(24000, 36000), 2592000000ull);
    EXPECT_FALSE(pictureSizeAllowed(24000, 36000));
    EXPECT_TRUE(pictureSizeAllowed(1, 1));
    EXPECT_FALSE(pictureSizeAllowed(0, 5));
    EXPECT_FALSE(pictureSizeAllowed(5, -1));
}

TEST(CacheKey, EqualityIsExactOnAllFiveFields)
{
    const CacheKey a{SCALEDIMG, 4, 1.0f, 0.0f, 37.5f};
    CacheKey b = a;
    EXPECT_TRUE(a == b);
    b.scale = 37.50001f;
    EXPECT_FALSE(a == b);
    b = a;
    b.filterParam2 = 0.5f;
    EXPECT_FALSE(a == b);
}

TEST(CacheKey, OrderIsPageThenTagThenParameters)
{
    const CacheKey page1Scaled{SCALEDIMG, 1, 1.0f, 0.0f, 50.0f};
    const CacheKey page2Compressed{COMPRESSEDFILE, 2, 1.0f, 0.0f, 100.0f};
    EXPECT_TRUE(page1Scaled < page2Compressed);
    EXPECT_FALSE(page2Compressed < page1Scaled);
    const CacheKey page1Raw{RAWIMG, 1, 1.0f, 0.0f, 100.0f};
    EXPECT_TRUE(page1Raw < page1Scaled);
    const CacheKey page1Scaled40{SCALEDIMG, 1, 1.0f, 0.0f, 40.0f};
    EXPECT_TRUE(page1Scaled40 < page1Scaled);
    EXPECT_FALSE(page1Scaled < page1Scaled);
}

TEST(CacheObjectCharge, EachKindIsChargedItsBytesAndItsBookkeeping)
{
    SharingChain chain;
    EXPECT_EQ(chain.raw->memorySize(), 30048u);
    EXPECT_EQ(chain.filtered->memorySize(), 48u);
    EXPECT_EQ(chain.scaled->memorySize(), 48u);
    EXPECT_EQ(makeScaled(0, 50, 50, 50.0f)->memorySize(), 7600u);
    EXPECT_EQ(makeRaw(0, 1, 1)->memorySize(), 4u + 48u);

    MemoryBlock block = MemoryBlock::allocate(1000);
    CompressedFileCache page(0, "p.jpg", std::move(block), 1000);
    EXPECT_EQ(page.memorySize(), 1052u);
    EXPECT_EQ(page.width, 1000);
    EXPECT_EQ(page.height, 1);

    DummyCompressedFileCache dummy("broken.jpg", 7);
    EXPECT_EQ(dummy.memorySize(), 62u);
}

TEST(CacheObjectCharge, ScaledPicturesBeyond4GBAreNotWrapped)
{
    auto scaled = std::make_unique<ScaledImageCache>(0, nullptr, 1.0f, 0.0f, 400.0f);
    scaled->width = 40000;
    scaled->height = 40000;
    EXPECT_EQ(scaled->memorySize(), 4800000000ull);
}

TEST(DummyCompressedFile, HoldsTheTenMarkerBytes)
{
    DummyCompressedFileCache dummy("lost.jpg", 5);
    EXPECT_EQ(dummy.tag, COMPRESSEDFILE);
    EXPECT_EQ(dummy.page, 5);
    EXPECT_EQ(dummy.fileName, "lost.jpg");
    EXPECT_EQ(dummy.width, 10);
    EXPECT_EQ(dummy.memory.size(), 10u);
    EXPECT_EQ(std::memcmp(dummy.data(), "DUMMYFILE\0", 10), 0);
}

TEST(CacheObjectSharing, SharingObjectsCopyTheirSourcesIdentity)
{
    SharingChain chain;
    EXPECT_EQ(chain.filtered->tag, FILTEREDIMG);
    EXPECT_EQ(chain.scaled->tag, SCALEDIMG);
    EXPECT_EQ(chain.scaled->page, 3);
    EXPECT_EQ(chain.scaled->scale, 100.0f);
    EXPECT_EQ(chain.scaled->width, 100);
    EXPECT_EQ(chain.scaled->height, 100);
    EXPECT_EQ(chain.scaled->data(), nullptr);
    EXPECT_EQ(chain.filtered->source, chain.raw.get());
}

TEST(CacheObjectSharing, ImageDataFollowsTheChainAndRefreshesEveryObject)
{
    SharingChain chain;
    chain.raw->width = 100;
    for (CacheObject* object : chain.entries)
        object->lastUsed = 1;
    int width = 0;
    int height = 0;
    EXPECT_EQ(chain.scaled->imageData(&width, &height), chain.raw->data());
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 100);
    for (CacheObject* object : chain.entries)
        EXPECT_NE(object->lastUsed.load(), 1u);
    EXPECT_EQ(chain.scaled->imageData(nullptr, nullptr), chain.raw->data());
}

TEST(CacheObjectSharing, TouchRefreshesTheChainBelowOnly)
{
    SharingChain chain;
    for (CacheObject* object : chain.entries)
        object->lastUsed = 1;
    chain.filtered->touch();
    EXPECT_EQ(chain.scaled->lastUsed.load(), 1u);
    EXPECT_NE(chain.filtered->lastUsed.load(), 1u);
    EXPECT_NE(chain.raw->lastUsed.load(), 1u);
}

TEST(CacheObjectSharing, ASharerIsInvalidOnceItsSourceLeftTheCache)
{
    SharingChain chain;
    EXPECT_TRUE(chain.raw->isValid(chain.entries));
    EXPECT_TRUE(chain.filtered->isValid(chain.entries));
    EXPECT_TRUE(chain.scaled->isValid(chain.entries));

    const std::vector<CacheObject*> withoutRaw{chain.filtered.get(), chain.scaled.get()};
    EXPECT_FALSE(chain.filtered->isValid(withoutRaw));
    EXPECT_FALSE(chain.scaled->isValid(withoutRaw)); // through its filtered source

    const std::vector<CacheObject*> withoutFiltered{chain.raw.get(), chain.scaled.get()};
    EXPECT_TRUE(chain.filtered->isValid(chain.entries));
    EXPECT_FALSE(chain.scaled->isValid(withoutFiltered));

    // A scaled picture with its own pixels needs nothing below it.
    auto own = makeScaled(3, 50, 50, 50.0f);
    EXPECT_TRUE(own->isValid({}));
}

TEST(CacheObjectSharing, ASourceOfTheWrongLevelMakesTheSharerInvalid)
{
    auto raw = makeRaw(2, 10, 10);
    ScaledImageCache wrong(raw.get()); // shares a raw picture instead of a filtered one
    const std::vector<CacheObject*> entries{raw.get(), &wrong};
    EXPECT_FALSE(wrong.isValid(entries));
}

TEST(CacheObjectReferences, HoldingASharedPicturePinsItsChain)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    SharingChain chain;
    MemoryBlock block = MemoryBlock::allocate(20);
    CompressedFileCache file(3, "p.jpg", std::move(block), 20);

    chain.scaled->addRef();
    EXPECT_EQ(chain.scaled->refCount, 1);
    EXPECT_EQ(chain.filtered->refCount, 1);
    EXPECT_EQ(chain.raw->refCount, 1);
    EXPECT_EQ(file.refCount, 0);

    chain.scaled->release(cache);
    EXPECT_EQ(chain.scaled->refCount, 0);
    EXPECT_EQ(chain.filtered->refCount, 0);
    EXPECT_EQ(chain.raw->refCount, 0);
}

TEST(CacheObjectReferences, ReleasingBelowZeroIsTracedAndStillCounted)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    auto raw = makeRaw(0, 4, 4);
    CaptureStderr();
    raw->release(cache);
    EXPECT_EQ(GetCapturedStderr(), "refcount under zero\n");
    EXPECT_EQ(raw->refCount, -1);
    raw->refCount = 0;
}

TEST(CacheObjectReferences, FreeingAHeldObjectIsTraced)
{
    auto raw = makeRaw(0, 4, 4);
    raw->addRef();
    CaptureStderr();
    raw.reset();
    EXPECT_EQ(GetCapturedStderr(), "cache is freed while being referenced\n");

    auto quiet = makeRaw(0, 4, 4);
    CaptureStderr();
    quiet.reset();
    EXPECT_EQ(GetCapturedStderr(), "");
}

TEST(CacheObjectPixels, PixelAtAddressesBottomUpRows)
{
    auto raw = makeRaw(0, 3, 2);
    unsigned char* pixels = raw->pixels.get();
    // Row 1 (the top row) starts one padded row (12 bytes) in.
    pixels[12 + 3 * 2 + 0] = 10;
    pixels[12 + 3 * 2 + 1] = 20;
    pixels[12 + 3 * 2 + 2] = 30;
    const unsigned char* p = raw->pixelAt(2, 1);
    EXPECT_EQ(p, pixels + 18);
    EXPECT_EQ(p[0], 10);
    EXPECT_EQ(p[2], 30);
    EXPECT_EQ(raw->pixelAt(0, 0), pixels);
}

TEST(CacheObjectPixels, PixelAtOutsideThePictureIsWhite)
{
    SharingChain chain;
    const unsigned char* inside = chain.scaled->pixelAt(0, 0);
    EXPECT_EQ(inside, chain.raw->data());
    for (const auto& point :
         std::vector<std::pair<int, int>>{{-1, 0}, {100, 0}, {0, -1}, {0, 100}}) {
        const unsigned char* p = chain.scaled->pixelAt(point.first, point.second);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p[0], 0xFF);
        EXPECT_EQ(p[1], 0xFF);
        EXPECT_EQ(p[2], 0xFF);
        EXPECT_NE(p, chain.raw->data());
    }
    EXPECT_EQ(chain.scaled->pixelAt(-1, 0), chain.scaled->pixelAt(100, 0));
}
