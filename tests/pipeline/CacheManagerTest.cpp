#include "pipeline/CacheManager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "CacheTestSupport.h"

using namespace cachetest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(CacheLimit, AQuarterOfPhysicalMemoryAtLeast64MB)
{
    CaptureStderr();
    EXPECT_EQ(computeCacheLimit(512000000u), 128000000u);
    EXPECT_EQ(GetCapturedStderr(), "phy memory=512000000\n");
    EXPECT_EQ(computeCacheLimit(200000000u), 64000000u);
    EXPECT_EQ(computeCacheLimit(0), 64000000u);
    EXPECT_EQ(computeCacheLimit(0xFFFFFFFFu), 1073741823u);
}

TEST(CacheManagerLifecycle, StartsClosedAndOpensOnRequest)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    EXPECT_TRUE(cache.isClosed());
    cache.openCache();
    EXPECT_FALSE(cache.isClosed());
    cache.clearAll();
    EXPECT_TRUE(cache.isClosed());
}

TEST(CacheManagerInsert, MemoryInUseSumsTheCharges)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    RawImageCache* raw = newRaw(0, 100, 100);
    cache.insertEntry(raw, false);
    cache.insertEntry(new FilteredImageCache(raw), false);
    cache.insertEntry(newScaled(0, 50, 50, 50.0f), false);
    cache.insertEntry(newCompressed(0, 1000), false);
    EXPECT_EQ(cache.memoryInUse(), 30048u + 48u + 7600u + 1052u);
}

TEST(CacheManagerInsert, HoldAddsOneReferenceForTheCaller)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    RawImageCache* raw = newRaw(2, 8, 8);
    EXPECT_EQ(cache.insertEntry(raw, true), raw);
    EXPECT_EQ(raw->refCount, 1);
    CacheObject* filtered = cache.insertEntry(new FilteredImageCache(raw), false);
    EXPECT_EQ(filtered->refCount, 0);
    EXPECT_EQ(raw->refCount, 1);
    cache.release(raw);
    EXPECT_EQ(cache.referenceSum(), 0);
}

TEST(CacheManagerInsert, AnEqualValidEntryWinsAndTheNewObjectIsDropped)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    CacheObject* first = cache.insertEntry(newRaw(1, 4, 4), false);
    CaptureStderr();
    CacheObject* stored = cache.insertEntry(newRaw(1, 4, 4), true);
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(
        trace.find("warning: 作ったobjectをキャッシュに格納しようとしたが、同じ物が既にあった\n"),
        std::string::npos);
    EXPECT_EQ(stored, first);
    EXPECT_EQ(cache.snapshot().size(), 1u);
    EXPECT_EQ(stored->refCount, 1);
    cache.release(stored);
}

TEST(CacheManagerInsert, AnInvalidEqualEntryIsReplaced)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    std::unique_ptr<RawImageCache> outside(newRaw(1, 4, 4)); // never cached
    cache.insertEntry(new FilteredImageCache(outside.get()), false);
    RawImageCache* raw = newRaw(1, 4, 4);
    cache.insertEntry(raw, false);
    auto* fresh = new FilteredImageCache(raw);
    CaptureStderr();
    EXPECT_EQ(cache.insertEntry(fresh, false), fresh);
    EXPECT_NE(GetCapturedStderr().find("同じ物が既にあった and 無効なエントリ\n"),
              std::string::npos);
    const auto entries = cache.snapshot();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].valid);
    EXPECT_TRUE(entries[1].valid);
}

TEST(CacheManagerEvict, SixteenObjectsStayHoweverLarge)
{
    ScopedCacheLimit limit(1);
    NoBookOwner owner;
    CacheManager cache(&owner);
    for (int page = 0; page < 16; ++page)
        cache.insertEntry(newRaw(page, 100, 100), false);
    CaptureStderr();
    cache.evict();
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(cache.snapshot().size(), 16u);
    EXPECT_EQ(trace.rfind("メモリ消費=480768[byte]<", 0), 0u) << trace;
    EXPECT_EQ(countOf(trace, "free entry"), 0);
}

TEST(CacheManagerEvict, TheSeventeenthObjectMakesTheOldestUnreferencedOneGo)
{
    ScopedCacheLimit limit(1);
    NoBookOwner owner;
    CacheManager cache(&owner);
    std::vector<CacheObject*> objects;
    for (int page = 0; page < 17; ++page)
        objects.push_back(cache.insertEntry(newRaw(page, 100, 100), false));
    // Page 9 is the least recently used, page 3 the next.
    for (int page = 0; page < 17; ++page)
        objects[page]->lastUsed = 100000 + page;
    objects[9]->lastUsed = 50;
    objects[3]->lastUsed = 60;
    CaptureStderr();
    cache.evict();
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(
        trace.find("   free entry tag=1, page 9, 100%  削減->480768[byte] (17 objs cached)\n"),
        std::string::npos)
        << trace;
    const auto entries = cache.snapshot();
    ASSERT_EQ(entries.size(), 16u);
    for (const auto& entry : entries)
        EXPECT_NE(entry.key.page, 9);
}

TEST(CacheManagerEvict, StopsOnceTheSumIsWithinTheLimit)
{
    ScopedCacheLimit limit(30048u * 18u);
    NoBookOwner owner;
    CacheManager cache(&owner);
    std::vector<CacheObject*> objects;
    for (int page = 0; page < 20; ++page)
        objects.push_back(cache.insertEntry(newRaw(page, 100, 100), false));
    for (int page = 0; page < 20; ++page)
        objects[page]->lastUsed = 1000 - page; // the last pages are the oldest
    cache.evict();
    const auto entries = cache.snapshot();
    ASSERT_EQ(entries.size(), 18u);
    for (const auto& entry : entries)
        EXPECT_LT(entry.key.page, 18);
    EXPECT_EQ(cache.memoryInUse(), 30048u * 18u);
}

TEST(CacheManagerEvict, ReferencedObjectsAreNeverFreed)
{
    ScopedCacheLimit limit(1);
    NoBookOwner owner;
    CacheManager cache(&owner);
    std::vector<CacheObject*> held;
    for (int page = 0; page < 17; ++page)
        held.push_back(cache.insertEntry(newRaw(page, 10, 10), true));
    CacheObject* loose = cache.insertEntry(newRaw(17, 10, 10), false);
    loose->lastUsed = 0xFFFFFFF0u; // the newest, but the only unreferenced one
    CaptureStderr();
    cache.evict();
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(trace.find("free entry tag=1, page 17,"), std::string::npos) << trace;
    EXPECT_NE(trace.find("   unused entry not found\n"), std::string::npos) << trace;
    EXPECT_EQ(cache.snapshot().size(), 17u);
    for (CacheObject* object : held)
        cache.release(object);
    EXPECT_EQ(cache.referenceSum(), 0);
}

TEST(CacheManagerEvict, SharersOfAnEvictedPictureBecomeInvalid)
{
    ScopedCacheLimit limit(1);
    NoBookOwner owner;
    CacheManager cache(&owner);
    RawImageCache* raw = newRaw(0, 100, 100);
    cache.insertEntry(raw, false);
    cache.insertEntry(new FilteredImageCache(raw), false);
    raw->lastUsed = 0;                    // oldest of all
    for (int page = 1; page < 16; ++page) // 17 objects: only the raw picture goes
        cache.insertEntry(newRaw(page, 1, 1), false);
    cache.evict();
    const auto entries = cache.snapshot();
    bool sawFiltered = false;
    for (const auto& entry : entries) {
        EXPECT_FALSE(entry.key.tag == RAWIMG && entry.key.page == 0);
        if (entry.key.tag == FILTEREDIMG) {
            sawFiltered = true;
            EXPECT_FALSE(entry.valid);
        }
    }
    EXPECT_TRUE(sawFiltered);
}

TEST(CacheManagerInvalidate, KeepsHeldAndEnlargedPicturesAndDropsReducedRequests)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    CacheObject* held = cache.insertEntry(newScaled(0, 5, 5, 50.0f), true);
    cache.insertEntry(newScaled(1, 5, 5, 50.0f), false);
    cache.insertEntry(newScaled(2, 15, 15, 150.0f), false);
    RawImageCache* raw = newRaw(3, 10, 10);
    cache.insertEntry(raw, false);
    CacheObject* filtered = cache.insertEntry(new FilteredImageCache(raw), false);
    cache.insertEntry(new ScaledImageCache(filtered), false);
    cache.requestChain(key(SCALEDIMG, 5, 50.0f));
    cache.requestChain(key(SCALEDIMG, 6, 150.0f));

    CaptureStderr();
    cache.invalidate_scaled_entries();
    EXPECT_EQ(GetCapturedStderr(),
              "invalidate_scaled_entries(): 1 entries are locked. not invalidated.\n");

    std::vector<CacheKey> kept;
    for (const auto& entry : cache.snapshot())
        kept.push_back(entry.key);
    const std::vector<CacheKey> expected{key(SCALEDIMG, 0, 50.0f), key(SCALEDIMG, 2, 150.0f),
                                         key(RAWIMG, 3), key(FILTEREDIMG, 3), key(SCALEDIMG, 3)};
    EXPECT_EQ(kept, expected);

    const std::vector<CacheKey> queued = cache.queuedRequests();
    const std::vector<CacheKey> expectedQueue{key(COMPRESSEDFILE, 5),   key(RAWIMG, 5),
                                              key(FILTEREDIMG, 5),      key(COMPRESSEDFILE, 6),
                                              key(RAWIMG, 6),           key(FILTEREDIMG, 6),
                                              key(SCALEDIMG, 6, 150.0f)};
    EXPECT_EQ(queued, expectedQueue);
    cache.release(held);
}

TEST(CacheManagerInvalidate, AnEmptyCacheTracesNothing)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    CaptureStderr();
    cache.invalidate_scaled_entries();
    EXPECT_EQ(GetCapturedStderr(), "");
}

TEST(CacheManagerClear, WaitsWhileAPictureIsHeld)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    CacheObject* held = cache.insertEntry(newRaw(0, 10, 10), true);
    cache.insertEntry(newRaw(1, 10, 10), false);
    std::thread viewer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(220));
        cache.release(held);
    });
    CaptureStderr();
    cache.clearAll();
    const std::string trace = GetCapturedStderr();
    viewer.join();
    EXPECT_GE(countOf(trace, "wating... 0 - 0 - 1\n"), 1) << trace;
    EXPECT_TRUE(cache.snapshot().empty());
    EXPECT_TRUE(cache.isClosed());
}

TEST(CacheManagerClear, WaitsForACreationInProgress)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(COMPRESSEDFILE, 4));
    // The key is taken and made by another thread, as the worker does: a thread that is itself
    // making a key cannot wait for it.
    std::thread maker([&] {
        EXPECT_TRUE(cache.takeNext().has_value());
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        cache.insertEntry(newCompressed(4, 10), false);
    });
    for (int i = 0; i < 10000 && cache.creatingCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CaptureStderr();
    cache.clearAll();
    const std::string trace = GetCapturedStderr();
    maker.join();
    EXPECT_GE(countOf(trace, "wating... 0 - 1 - 0\n"), 1) << trace;
    EXPECT_EQ(cache.creatingCount(), 0u);
    EXPECT_TRUE(cache.snapshot().empty());
}

TEST(CacheManagerClear, AnIdleCacheClearsAtOnce)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.insertEntry(newRaw(0, 10, 10), false);
    cache.requestChain(key(SCALEDIMG, 3, 50.0f));
    CaptureStderr();
    cache.clearAll();
    EXPECT_EQ(countOf(GetCapturedStderr(), "wating..."), 0);
    EXPECT_TRUE(cache.snapshot().empty());
    EXPECT_TRUE(cache.queuedRequests().empty());
}
