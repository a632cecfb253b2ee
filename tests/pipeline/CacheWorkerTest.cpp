#include "pipeline/CacheWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CacheBookSupport.h"
#include "CacheTestSupport.h"
#include "pipeline/CacheManager.h"

using namespace cachetest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::vector<PageSpec> smallPages(int count)
{
    std::vector<PageSpec> pages;
    for (int i = 0; i < count; ++i)
        pages.push_back({120, 160, Rgb{static_cast<unsigned char>(20 * i), 90, 200}});
    return pages;
}

// A book, its cache and the worker, started and stopped like the main window does.
class CacheWorkerBook : public testing::Test {
  protected:
    explicit CacheWorkerBook(int pageCount = 8)
        : book(smallPages(pageCount)), owner(book.folder), cache(&owner)
    {
        cache.openCache();
    }
    ~CacheWorkerBook() override
    {
        stopWorker(worker);
        cache.clearAll();
    }
    bool idle() { return cache.queuedRequests().empty() && cache.creatingCount() == 0; }

    TempBook book;
    BookOwner owner;
    CacheManager cache;
    WorkerBlock worker;
};

} // namespace

TEST_F(CacheWorkerBook, StartsAndStopsWithItsTraces)
{
    CaptureStderr();
    ASSERT_TRUE(startWorker(worker, cache));
    const unsigned long first = worker.threadId;
    EXPECT_TRUE(startWorker(worker, cache)); // already running: no second thread
    EXPECT_EQ(worker.threadId, first);
    stopWorker(worker);
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(worker.threadId, 0u);
    char ended[64];
    snprintf(ended, sizeof ended, "thread %d ended\n", static_cast<int>(worker.threadId));
    EXPECT_NE(trace.find("thread handle="), std::string::npos);
    char id[64];
    snprintf(id, sizeof id, ", thread id=%x\n", static_cast<unsigned>(worker.threadId));
    EXPECT_NE(trace.find(id), std::string::npos) << trace;
    EXPECT_NE(trace.find(ended), std::string::npos) << trace;
    stopWorker(worker); // a second stop does nothing
}

TEST_F(CacheWorkerBook, APrefetchIsMadeLevelByLevelInTheBackground)
{
    ASSERT_TRUE(startWorker(worker, cache));
    CaptureStderr();
    cache.requestChain(key(SCALEDIMG, 2, 50.0f));
    const bool done = eventually([&] { return hasEntry(cache, key(SCALEDIMG, 2, 50.0f)); });
    stopWorker(worker);
    const std::string trace = GetCapturedStderr();
    ASSERT_TRUE(done);
    const size_t level0 = trace.find("worker: created 0 p.2 ");
    const size_t level1 = trace.find("worker: created 1 p.2 ");
    const size_t level2 = trace.find("worker: created 2 p.2 ");
    const size_t level3 = trace.find("worker: created 3 p.2 ");
    ASSERT_NE(level3, std::string::npos) << trace;
    EXPECT_LT(level0, level1);
    EXPECT_LT(level1, level2);
    EXPECT_LT(level2, level3);
    EXPECT_EQ(cache.referenceSum(), 0);

    // The view then finds it made.
    CaptureStderr();
    Held shown(cache, cache.prepareEntry(SCALEDIMG, 2, 1.0f, 0.0f, 50.0f));
    EXPECT_EQ(countOf(GetCapturedStderr(), "creatingに挿入"), 0);
    ASSERT_NE(shown.get(), nullptr);
    EXPECT_EQ(shown->width, 60);
}

TEST_F(CacheWorkerBook, TheWorkerSleepsWhileNoQueuedRequestCanRun)
{
    // The page's bytes are "being made" elsewhere: the raw and filtered requests wait.
    cache.requestChain(key(FILTEREDIMG, 1));
    std::optional<CacheManager::Work> bytes = cache.takeNext();
    ASSERT_TRUE(bytes.has_value());
    CaptureStderr();
    ASSERT_TRUE(startWorker(worker, cache));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::string idleTrace = GetCapturedStderr();
    // One pass for the start, at most one more for the prefetch's signal; never a busy loop.
    EXPECT_LE(countOf(idleTrace, "メモリ消費="), 2) << idleTrace;
    EXPECT_EQ(cache.queuedRequests().size(), 2u);

    // Storing the bytes wakes it, and it finishes the chain.
    cache.insertEntry(cache.createEntry(bytes->request, nullptr), false);
    EXPECT_TRUE(eventually([&] { return hasEntry(cache, key(FILTEREDIMG, 1)); }));
    EXPECT_TRUE(eventually([&] { return idle(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // its last evict
    CaptureStderr();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(countOf(GetCapturedStderr(), "メモリ消費="), 0);
}

TEST_F(CacheWorkerBook, AFailingRequestIsRetriedThenGivenUp)
{
    ASSERT_TRUE(startWorker(worker, cache));
    CaptureStderr();
    // 120 × 160 at 100000 %: 120000 × 160000 pixels, far past the picture cap.
    cache.requestChain(key(SCALEDIMG, 0, 100000.0f));
    const bool settled = eventually([&] { return hasEntry(cache, key(FILTEREDIMG, 0)) && idle(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string trace = GetCapturedStderr();
    ASSERT_TRUE(settled);
    EXPECT_EQ(countOf(trace, "worker: failed 3 p.0 "), CacheManager::kMaxCreationAttempts);
    EXPECT_EQ(countOf(trace, "give up request 3 p.0 1.000000 0.000000 100000.000000 after 3 "
                             "failures\n"),
              1)
        << trace;
    EXPECT_FALSE(hasEntry(cache, key(SCALEDIMG, 0, 100000.0f)));
    CaptureStderr();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(countOf(GetCapturedStderr(), "メモリ消費="), 0); // asleep, not cycling
}

TEST_F(CacheWorkerBook, StoppingWaitsForTheCreationInProgress)
{
    owner.workerDelayMs = 350; // every creation on the worker takes a while
    ASSERT_TRUE(startWorker(worker, cache));
    cache.requestChain(key(COMPRESSEDFILE, 0));
    ASSERT_TRUE(eventually([&] { return cache.creatingCount() == 1; }));
    CaptureStderr();
    stopWorker(worker);
    const std::string trace = GetCapturedStderr();
    char waiting[64];
    snprintf(waiting, sizeof waiting, "waiting thread %d\n", static_cast<int>(worker.threadId));
    EXPECT_GE(countOf(trace, waiting), 1) << trace;
    EXPECT_TRUE(hasEntry(cache, key(COMPRESSEDFILE, 0))); // finished, then the thread ended
    EXPECT_EQ(cache.creatingCount(), 0u);
}

TEST_F(CacheWorkerBook, InvalidationDropsQueuedReducedRequestsOnly)
{
    cache.requestChain(key(SCALEDIMG, 0, 50.0f));
    cache.requestChain(key(SCALEDIMG, 1, 200.0f));
    cache.invalidate_scaled_entries(); // nothing cached yet: the queue stays as it is
    EXPECT_EQ(cache.queuedRequests().size(), 8u);
    Held(cache, cache.prepareEntry(COMPRESSEDFILE, 3, 1.0f, 0.0f, 100.0f)).reset();
    ASSERT_EQ(cache.snapshot().size(), 1u);
    cache.invalidate_scaled_entries();
    const std::vector<CacheKey> queued = cache.queuedRequests();
    ASSERT_EQ(queued.size(), 7u);
    EXPECT_EQ(queued.back(), key(SCALEDIMG, 1, 200.0f));
    for (const CacheKey& request : queued)
        EXPECT_FALSE(request.tag == SCALEDIMG && request.scale < 100.0f);
}

TEST_F(CacheWorkerBook, TheWorkerEvictsDownToTheLimit)
{
    ScopedCacheLimit limit(200000);
    ASSERT_TRUE(startWorker(worker, cache));
    for (int page = 0; page < 8; ++page) // 32 objects, about 750 kB
        cache.requestChain(key(SCALEDIMG, page, 75.0f));
    ASSERT_TRUE(eventually([&] { return idle(); }));
    stopWorker(worker); // its last pass evicted
    const auto entries = cache.snapshot();
    uint64_t sum = 0;
    for (const auto& entry : entries)
        sum += entry.memorySize;
    EXPECT_TRUE(entries.size() <= 16 || sum <= 200000u) << entries.size() << " " << sum;
    EXPECT_EQ(cache.referenceSum(), 0);
}

TEST(CacheWorkerStart, AStoppedBlockStopsAgainHarmlessly)
{
    WorkerBlock block;
    stopWorker(block); // never started
    EXPECT_EQ(block.running.load(), 0);
}
