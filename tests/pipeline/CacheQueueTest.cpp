#include "pipeline/CacheManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "CacheTestSupport.h"

using namespace cachetest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Stands in for the worker's creation: an object of the request's level, made by hand.
CacheObject* madeFor(const CacheManager::Work& work)
{
    switch (work.request.tag) {
    case COMPRESSEDFILE:
        return newCompressed(work.request.page, 16);
    case RAWIMG:
        return newRaw(work.request.page, 4, 4);
    case FILTEREDIMG:
        return new FilteredImageCache(work.parent);
    default:
        return newScaled(work.request.page, 2, 2, work.request.scale);
    }
}

// One pass of the worker without decoding: take, make by hand, store, give the parent back.
std::optional<CacheKey> serveOne(CacheManager& cache)
{
    std::optional<CacheManager::Work> work = cache.takeNext();
    if (!work)
        return std::nullopt;
    cache.insertEntry(madeFor(*work), false);
    if (work->parent != nullptr)
        cache.release(work->parent);
    return work->request;
}

} // namespace

TEST(CacheRequestChain, APrefetchQueuesTheFourLevelsBottomUp)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    CaptureStderr();
    cache.requestChain(key(SCALEDIMG, 4, 50.0f));
    const std::string trace = GetCapturedStderr();
    const std::vector<CacheKey> expected{key(COMPRESSEDFILE, 4), key(RAWIMG, 4),
                                         key(FILTEREDIMG, 4), key(SCALEDIMG, 4, 50.0f)};
    EXPECT_EQ(cache.queuedRequests(), expected);
    EXPECT_EQ(trace, "insert request 0 p.4 1.000000 0.000000 100.000000\n"
                     "insert request 1 p.4 1.000000 0.000000 100.000000\n"
                     "insert request 2 p.4 1.000000 0.000000 100.000000\n"
                     "insert request 3 p.4 1.000000 0.000000 50.000000\n");
}

TEST(CacheRequestChain, LowerTagsQueueOnlyTheirOwnLevelAndBelow)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(RAWIMG, 1));
    cache.requestChain(key(7, 2)); // no such level: nothing queued
    const std::vector<CacheKey> expected{key(COMPRESSEDFILE, 1), key(RAWIMG, 1)};
    EXPECT_EQ(cache.queuedRequests(), expected);
}

TEST(CacheRequestChain, ASecondIdenticalPrefetchQueuesNothing)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(SCALEDIMG, 4, 50.0f));
    CaptureStderr();
    cache.requestChain(key(SCALEDIMG, 4, 50.0f));
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(cache.queuedRequests().size(), 4u);

    // Neither while the bottom level is being made, nor once it is cached.
    ASSERT_TRUE(cache.takeNext().has_value());
    cache.requestChain(key(SCALEDIMG, 4, 50.0f));
    EXPECT_EQ(cache.queuedRequests().size(), 3u);
    cache.insertEntry(newCompressed(4, 16), false);
    cache.requestChain(key(SCALEDIMG, 4, 50.0f));
    EXPECT_EQ(cache.queuedRequests().size(), 3u);
}

TEST(CacheRequestChain, APrefetchWhileClosedQueuesNothingAndWakesNobody)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    std::atomic<bool> woken{false};
    std::thread sleeper([&] {
        cache.waitForWork();
        woken = true;
    });
    cache.requestChain(key(SCALEDIMG, 0, 50.0f));
    EXPECT_TRUE(cache.queuedRequests().empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(woken.load());
    cache.wakeWorker();
    sleeper.join();
    EXPECT_TRUE(woken.load());
}

TEST(CacheRequestChain, AnOpenPrefetchWakesTheWorker)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    std::thread sleeper([&] { cache.waitForWork(); });
    cache.requestChain(key(SCALEDIMG, 0, 50.0f));
    sleeper.join(); // returns only if requestChain signalled
    EXPECT_EQ(cache.queuedRequests().size(), 4u);
}

TEST(CacheTakeNext, ServesRunnableRequestsInQueueOrder)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(SCALEDIMG, 2, 50.0f));
    cache.requestChain(key(SCALEDIMG, 3, 50.0f));
    std::vector<CacheKey> served;
    while (std::optional<CacheKey> done = serveOne(cache))
        served.push_back(*done);
    const std::vector<CacheKey> expected{
        key(COMPRESSEDFILE, 2), key(RAWIMG, 2), key(FILTEREDIMG, 2), key(SCALEDIMG, 2, 50.0f),
        key(COMPRESSEDFILE, 3), key(RAWIMG, 3), key(FILTEREDIMG, 3), key(SCALEDIMG, 3, 50.0f)};
    EXPECT_EQ(served, expected);
    EXPECT_TRUE(cache.queuedRequests().empty());
    EXPECT_EQ(cache.snapshot().size(), 8u);
    EXPECT_EQ(cache.referenceSum(), 0);
    EXPECT_EQ(cache.creatingCount(), 0u);
}

TEST(CacheTakeNext, SkipsRequestsWhoseParentIsBeingMade)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(FILTEREDIMG, 1));
    cache.requestChain(key(COMPRESSEDFILE, 2));
    std::optional<CacheManager::Work> first = cache.takeNext();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->request, key(COMPRESSEDFILE, 1));
    EXPECT_EQ(first->parent, nullptr);
    EXPECT_EQ(cache.creatingCount(), 1u);

    // Page 1's raw level waits for its bytes; page 2's bytes can be made meanwhile.
    std::optional<CacheManager::Work> second = cache.takeNext();
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->request, key(COMPRESSEDFILE, 2));
    EXPECT_FALSE(cache.hasRunnableRequest());
    EXPECT_FALSE(cache.takeNext().has_value());
    const std::vector<CacheKey> waiting{key(RAWIMG, 1), key(FILTEREDIMG, 1)};
    EXPECT_EQ(cache.queuedRequests(), waiting);

    CacheObject* bytes = cache.insertEntry(newCompressed(1, 16), false);
    EXPECT_TRUE(cache.hasRunnableRequest());
    std::optional<CacheManager::Work> raw = cache.takeNext();
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->request, key(RAWIMG, 1));
    EXPECT_EQ(raw->parent, bytes);
    EXPECT_EQ(bytes->refCount, 1); // the worker holds the parent while making the level
    cache.release(raw->parent);
    cache.cancelCreation(raw->request);
    cache.insertEntry(newCompressed(2, 16), false);
    EXPECT_EQ(cache.creatingCount(), 0u);
}

TEST(CacheTakeNext, DropsRequestsAlreadyCachedOrBeingMadeElsewhere)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(RAWIMG, 0));
    // Made meanwhile by someone else (as the view would, on demand).
    cache.insertEntry(newCompressed(0, 16), false);
    cache.insertEntry(newRaw(0, 4, 4), false);
    EXPECT_FALSE(cache.takeNext().has_value());
    EXPECT_TRUE(cache.queuedRequests().empty());
    EXPECT_EQ(cache.creatingCount(), 0u);
}

TEST(CacheTakeNext, DropsARequestWhoseParentWillNeverCome)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(FILTEREDIMG, 5));
    std::optional<CacheManager::Work> bytes = cache.takeNext();
    ASSERT_TRUE(bytes.has_value());
    // The bytes' creation is given up without being queued again: the raw level can never
    // become runnable, and the filtered level above it neither.
    cache.cancelCreation(bytes->request);
    CaptureStderr();
    EXPECT_FALSE(cache.takeNext().has_value());
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(trace, "drop request 1 p.5 1.000000 0.000000 100.000000 (no parent)\n"
                     "drop request 2 p.5 1.000000 0.000000 100.000000 (no parent)\n");
    EXPECT_TRUE(cache.queuedRequests().empty());
    EXPECT_FALSE(cache.hasRunnableRequest());
}

TEST(CacheTakeNext, NothingIsHandedOutWhileClosed)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(COMPRESSEDFILE, 0));
    cache.clearAll();
    EXPECT_FALSE(cache.takeNext().has_value());
    EXPECT_FALSE(cache.hasRunnableRequest());
}

TEST(CacheRetry, AFailingCreationIsRetriedABoundedNumberOfTimes)
{
    NoBookOwner owner;
    CacheManager cache(&owner);
    cache.openCache();
    cache.requestChain(key(COMPRESSEDFILE, 6));
    int attempts = 0;
    CaptureStderr();
    while (std::optional<CacheManager::Work> work = cache.takeNext()) {
        ++attempts;
        ASSERT_LE(attempts, 10);
        cache.cancelCreation(work->request);
        cache.requeueFailed(work->request);
    }
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(attempts, CacheManager::kMaxCreationAttempts);
    EXPECT_EQ(countOf(trace, "give up request 0 p.6 1.000000 0.000000 100.000000 after 3 "
                             "failures\n"),
              1);
    EXPECT_TRUE(cache.queuedRequests().empty());

    // A new prefetch may queue it again; it is then tried once more.
    cache.requestChain(key(COMPRESSEDFILE, 6));
    std::optional<CacheManager::Work> again = cache.takeNext();
    ASSERT_TRUE(again.has_value());
    cache.cancelCreation(again->request);
    cache.requeueFailed(again->request);
    EXPECT_FALSE(cache.takeNext().has_value());
}
