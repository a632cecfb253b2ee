#include "pipeline/CacheManager.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <thread>

#include "CacheBookSupport.h"
#include "CacheTestSupport.h"
#include "platform/Dialogs.h"

using namespace cachetest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const Rgb kRed{255, 0, 0};
const Rgb kBlue{0, 0, 255};

// A two-page book opened in a cache.
class CachePreparedBook : public testing::Test {
  protected:
    CachePreparedBook()
        : book({{1000, 1500, kRed}, {64, 48, kBlue}}), owner(book.folder), cache(&owner)
    {
        cache.openCache();
    }
    ~CachePreparedBook() override { cache.clearAll(); }

    TempBook book;
    BookOwner owner;
    CacheManager cache;
};

} // namespace

TEST_F(CachePreparedBook, AFirstScaledRequestAt100MakesFourObjectsSharingOnePicture)
{
    ASSERT_EQ(owner.book.pages.size(), 2u);
    Held scaled(cache, cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 100.0f));
    ASSERT_NE(scaled.get(), nullptr);
    const auto entries = cache.snapshot();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].key, key(COMPRESSEDFILE, 1));
    EXPECT_EQ(entries[1].key, key(RAWIMG, 1));
    EXPECT_EQ(entries[2].key, key(FILTEREDIMG, 1));
    EXPECT_EQ(entries[3].key, key(SCALEDIMG, 1));
    EXPECT_EQ(entries[0].refCount, 0);
    EXPECT_EQ(entries[1].refCount, 1);
    EXPECT_EQ(entries[2].refCount, 1);
    EXPECT_EQ(entries[3].refCount, 1);
    EXPECT_TRUE(entries[2].sharing);
    EXPECT_TRUE(entries[3].sharing);
    EXPECT_EQ(entries[3].memorySize, 48u);
    EXPECT_EQ(entries[1].memorySize, rowStride(64) * 48 + 48);

    int width = 0;
    int height = 0;
    const unsigned char* pixels = scaled->imageData(&width, &height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    EXPECT_EQ(pixels, scaled->source->source->data());
    const unsigned char* centre = scaled->pixelAt(32, 24);
    EXPECT_GT(centre[0], 200); // blue, stored first
    EXPECT_LT(centre[2], 60);

    scaled.reset();
    EXPECT_EQ(cache.referenceSum(), 0);
    for (const auto& entry : cache.snapshot())
        EXPECT_EQ(entry.refCount, 0);
}

TEST_F(CachePreparedBook, ASecondRequestIsServedFromTheCache)
{
    Held first(cache, cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 50.0f));
    ASSERT_NE(first.get(), nullptr);
    CaptureStderr();
    Held second(cache, cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 50.0f));
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(second.get(), first.get());
    EXPECT_EQ(first->refCount, 2);
    EXPECT_EQ(countOf(trace, "creatingに挿入"), 0) << trace;
}

TEST_F(CachePreparedBook, ScaledSizesAreTruncatedAndAtLeastOnePixel)
{
    CaptureStderr();
    Held reduced(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 37.5f));
    const std::string trace = GetCapturedStderr();
    ASSERT_NE(reduced.get(), nullptr);
    EXPECT_EQ(reduced->width, 375);
    EXPECT_EQ(reduced->height, 562);
    EXPECT_NE(trace.find("Scaling 37% (1000x1500)->(375x562)\n"), std::string::npos) << trace;
    EXPECT_EQ(reduced->memorySize(), rowStride(375) * 562);
    const unsigned char* pixel = reduced->pixelAt(100, 100);
    EXPECT_GT(pixel[2], 200); // red, stored last
    EXPECT_LT(pixel[0], 60);

    Held tiny(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 0.01f));
    ASSERT_NE(tiny.get(), nullptr);
    EXPECT_EQ(tiny->width, 1);
    EXPECT_EQ(tiny->height, 1);
}

TEST_F(CachePreparedBook, APictureTooLargeToScaleIsRefusedWithoutAllocating)
{
    // 1000 × 1500 at 2000 %: 20000 × 30000 pixels, 1.8 GB.
    CaptureStderr();
    Held huge(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 2000.0f));
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(huge.get(), nullptr);
    EXPECT_NE(trace.find("Scaling 2000% (1000x1500)->(20000x30000) refused: picture too large\n"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("creatingから削除(in failed) 3 0"), std::string::npos);
    EXPECT_EQ(cache.creatingCount(), 0u);
    EXPECT_TRUE(hasEntry(cache, key(FILTEREDIMG, 0))); // the levels below stay
    EXPECT_EQ(cache.referenceSum(), 0);

    // Sides beyond any int are clamped before the size check, never wrapped.
    Held absurd(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 3.0e9f));
    EXPECT_EQ(absurd.get(), nullptr);
    EXPECT_EQ(cache.creatingCount(), 0u);
}

TEST_F(CachePreparedBook, PicturesSharingAnEvictedOneAreMadeAgainOnTheirNextLookUp)
{
    ScopedCacheLimit limit(1);
    Held shown(cache, cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 100.0f));
    ASSERT_NE(shown.get(), nullptr);
    CacheObject* raw = shown->source->source;
    ASSERT_EQ(raw->tag, RAWIMG);
    shown.reset();
    for (int page = 10; page < 23; ++page) // 17 objects: eviction takes the oldest, the raw one
        cache.insertEntry(newRaw(page, 1, 1), false);
    raw->lastUsed = 0;
    cache.evict();
    EXPECT_FALSE(hasEntry(cache, key(RAWIMG, 1)));

    CaptureStderr();
    Held again(cache, cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 100.0f));
    const std::string trace = GetCapturedStderr();
    ASSERT_NE(again.get(), nullptr);
    EXPECT_EQ(countOf(trace, "file deflated to memory."), 0); // the bytes were still cached
    EXPECT_EQ(countOf(trace, "Use copy of raw-image as filtered-image\n"), 1);
    EXPECT_EQ(countOf(trace, "Use copy of original-size-image\n"), 1);
    EXPECT_GT(again->pixelAt(32, 24)[0], 200);
    int copies = 0;
    for (const auto& entry : cache.snapshot()) {
        EXPECT_TRUE(entry.valid);
        copies += entry.key.page == 1 ? 1 : 0;
    }
    EXPECT_EQ(copies, 4);
}

TEST_F(CachePreparedBook, PagesOutsideTheBookAreRefused)
{
    ASSERT_EQ(owner.book.pages.size(), 2u);
    CaptureStderr();
    Held beyond(cache, cache.prepareEntry(SCALEDIMG, 2, 1.0f, 0.0f, 100.0f));
    EXPECT_EQ(GetCapturedStderr(), "Page is out of range (b)\n");
    EXPECT_EQ(beyond.get(), nullptr);
    CaptureStderr();
    Held before(cache, cache.prepareEntry(RAWIMG, -1, 1.0f, 0.0f, 100.0f));
    EXPECT_EQ(GetCapturedStderr(), "Page is out of range (b)\n");
    EXPECT_EQ(before.get(), nullptr);
    Held badTag(cache, cache.prepareEntry(4, 0, 1.0f, 0.0f, 100.0f));
    EXPECT_EQ(badTag.get(), nullptr);
    Held badScale(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, std::nanf("")));
    EXPECT_EQ(badScale.get(), nullptr);
    EXPECT_TRUE(cache.snapshot().empty());
}

TEST_F(CachePreparedBook, AClosedCacheHandsOutNothing)
{
    cache.clearAll();
    Held closed(cache, cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 100.0f));
    EXPECT_EQ(closed.get(), nullptr);
    EXPECT_TRUE(cache.snapshot().empty());
    cache.openCache();
    Held bytes(cache, cache.prepareEntry(COMPRESSEDFILE, 0, 1.0f, 0.0f, 100.0f));
    EXPECT_NE(bytes.get(), nullptr);
}

TEST_F(CachePreparedBook, LowerLevelsIgnoreAScaleOrFilterTheyCannotCarry)
{
    Held bytes(cache, cache.prepareEntry(COMPRESSEDFILE, 1, 2.0f, 0.5f, 50.0f));
    ASSERT_NE(bytes.get(), nullptr);
    EXPECT_EQ(bytes->key(), key(COMPRESSEDFILE, 1));
    EXPECT_EQ(cache.creatingCount(), 0u);
    Held raw(cache, cache.prepareEntry(RAWIMG, 1, 1.0f, 0.0f, 25.0f));
    ASSERT_NE(raw.get(), nullptr);
    EXPECT_EQ(raw->key(), key(RAWIMG, 1));
}

TEST_F(CachePreparedBook, FilteringIsRefusedWithItsErrorBox)
{
    std::vector<std::string> boxes;
    setDialogResponder([&](const DialogRequest& request, DialogAnswer&) {
        boxes.push_back(request.title + "|" + request.text);
        return true;
    });
    Held filtered(cache, cache.prepareEntry(SCALEDIMG, 1, 1.5f, 0.0f, 50.0f));
    setDialogResponder(nullptr);
    EXPECT_EQ(filtered.get(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error|Filtering is not implemented yet\n");
    EXPECT_EQ(cache.creatingCount(), 0u);
    EXPECT_EQ(cache.referenceSum(), 0);
    EXPECT_TRUE(hasEntry(cache, key(RAWIMG, 1)));
}

TEST(CachePrepareFailures, AnUnreadablePageBecomesTheGreyPlaceholder)
{
    TempBook book({{40, 30, kRed}, {40, 30, kBlue}});
    BookOwner owner(book.folder);
    ASSERT_EQ(owner.book.pages.size(), 2u);
    unlink((book.folder + "/" + book.names[1]).c_str()); // listed, then gone
    CacheManager cache(&owner);
    cache.openCache();
    CaptureStderr();
    Held raw(cache, cache.prepareEntry(RAWIMG, 1, 1.0f, 0.0f, 100.0f));
    const std::string trace = GetCapturedStderr();
    ASSERT_NE(raw.get(), nullptr);
    EXPECT_NE(trace.find("IJL read header error\n"), std::string::npos);
    EXPECT_EQ(raw->width, 100);
    EXPECT_EQ(raw->height, 128);
    EXPECT_EQ(raw->memorySize(), 38400u + 48u);
    for (int y : {0, 64, 127})
        EXPECT_EQ(raw->pixelAt(50, y)[1], 128);
    EXPECT_TRUE(owner.book.pages[1].label.empty());
    const auto entries = cache.snapshot();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].memorySize, 62u); // the dummy bytes

    Held good(cache, cache.prepareEntry(RAWIMG, 0, 1.0f, 0.0f, 100.0f));
    ASSERT_NE(good.get(), nullptr);
    EXPECT_EQ(owner.book.labelOf(0), "p000.jpg(40x30)");
}

TEST(CachePrepareFailures, AnUndecodablePageBecomesThePlaceholderToo)
{
    TempBook book({{40, 30, kRed}});
    book.addFile("zz-broken.jpg", std::vector<unsigned char>(500, 0x42));
    BookOwner owner(book.folder);
    ASSERT_EQ(owner.book.pages.size(), 2u);
    CacheManager cache(&owner);
    cache.openCache();
    Held scaled(cache, cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 50.0f));
    ASSERT_NE(scaled.get(), nullptr);
    EXPECT_EQ(scaled->width, 50);
    EXPECT_EQ(scaled->height, 64);
}

TEST(CachePrepareNoBook, NothingIsMadeWithoutABook)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    EXPECT_EQ(cache.prepareEntry(RAWIMG, 0, 1.0f, 0.0f, 100.0f), nullptr);
    EXPECT_TRUE(cache.snapshot().empty());
}

TEST_F(CachePreparedBook, AViewWaitsForAPictureAnotherThreadIsMaking)
{
    cache.requestChain(key(COMPRESSEDFILE, 1));
    std::optional<CacheManager::Work> work = cache.takeNext(); // the "worker" now makes it
    ASSERT_TRUE(work.has_value());
    CacheObject* received = nullptr;
    std::thread view([&] { received = cache.prepareEntry(COMPRESSEDFILE, 1, 1.0f, 0.0f, 100.0f); });
    EXPECT_TRUE(eventually([&] { return cache.waiterCount() == 1; }));
    CacheObject* made = cache.insertEntry(cache.createEntry(work->request, nullptr), false);
    view.join();
    Held held(cache, received);
    EXPECT_EQ(received, made);
    EXPECT_EQ(made->refCount, 1); // the waker added the waiter's reference
}

TEST_F(CachePreparedBook, AWaiterWhoseCreatorFailedMakesThePictureItself)
{
    cache.requestChain(key(COMPRESSEDFILE, 0));
    std::optional<CacheManager::Work> work = cache.takeNext();
    ASSERT_TRUE(work.has_value());
    CacheObject* received = nullptr;
    CaptureStderr();
    std::thread view([&] { received = cache.prepareEntry(COMPRESSEDFILE, 0, 1.0f, 0.0f, 100.0f); });
    EXPECT_TRUE(eventually([&] { return cache.waiterCount() == 1; }));
    cache.cancelCreation(work->request);
    view.join();
    const std::string trace = GetCapturedStderr();
    Held held(cache, received);
    ASSERT_NE(received, nullptr);
    EXPECT_EQ(received->key(), key(COMPRESSEDFILE, 0));
    EXPECT_EQ(cache.creatingCount(), 0u);
    EXPECT_NE(trace.find("○○○ 寝て待つよ <"), std::string::npos) << trace;
    EXPECT_NE(trace.find("○○○ 起きた <"), std::string::npos);
    EXPECT_EQ(countOf(trace, "file deflated to memory.(p000.jpg)\n"), 1);
}

TEST_F(CachePreparedBook, TheViewMakesUpperLevelsItselfWhileTheWorkerMakesTheRawOne)
{
    cache.requestChain(key(SCALEDIMG, 0, 50.0f));
    // Worker side: the bytes, then the raw picture is taken and held in progress.
    std::optional<CacheManager::Work> bytes = cache.takeNext();
    ASSERT_TRUE(bytes.has_value());
    cache.insertEntry(cache.createEntry(bytes->request, nullptr), false);
    std::optional<CacheManager::Work> raw = cache.takeNext();
    ASSERT_TRUE(raw.has_value());
    ASSERT_EQ(raw->request, key(RAWIMG, 0));

    CacheObject* shown = nullptr;
    std::thread view([&] { shown = cache.prepareEntry(SCALEDIMG, 0, 1.0f, 0.0f, 50.0f); });
    EXPECT_TRUE(eventually([&] { return cache.waiterCount() == 1; }));
    // The view registered the scaled and filtered keys: they left the queue.
    EXPECT_TRUE(cache.queuedRequests().empty());
    EXPECT_EQ(cache.creatingCount(), 3u);

    cache.insertEntry(cache.createEntry(raw->request, raw->parent), false);
    cache.release(raw->parent);
    view.join();
    Held held(cache, shown);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->width, 500);
    EXPECT_FALSE(cache.takeNext().has_value()); // nothing left for the worker
    EXPECT_EQ(cache.creatingCount(), 0u);
    EXPECT_EQ(cache.snapshot().size(), 4u);
    held.reset();
    EXPECT_EQ(cache.referenceSum(), 0);
}
