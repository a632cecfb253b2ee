#include "pipeline/CacheManager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <thread>

#include "CacheBookSupport.h"
#include "CacheTestSupport.h"
#include "pipeline/CacheWorker.h"

using namespace cachetest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Page i is filled with blue level 40 × i, so a picture tells which page it came from.
std::vector<PageSpec> colouredPages(int count, int width, int height)
{
    std::vector<PageSpec> pages;
    for (int i = 0; i < count; ++i)
        pages.push_back({width, height, Rgb{30, 160, static_cast<unsigned char>(40 * i)}});
    return pages;
}

bool showsPage(CacheObject* picture, int page)
{
    const unsigned char* pixel = picture->pixelAt(picture->width / 2, picture->height / 2);
    return std::abs(static_cast<int>(pixel[0]) - 40 * page) <= 12 && std::abs(pixel[1] - 160) <= 12;
}

// Every key of both pages' chains is cached exactly once, and valid.
void expectChainsOnce(CacheManager& cache, int first, float scale)
{
    const auto entries = cache.snapshot();
    for (int page : {first, first + 1}) {
        for (const CacheKey& wanted : {key(COMPRESSEDFILE, page), key(RAWIMG, page),
                                       key(FILTEREDIMG, page), key(SCALEDIMG, page, scale)}) {
            int copies = 0;
            for (const auto& entry : entries) {
                if (entry.key == wanted) {
                    ++copies;
                    EXPECT_TRUE(entry.valid);
                }
            }
            EXPECT_EQ(copies, 1) << "tag " << wanted.tag << " page " << page;
        }
    }
}

} // namespace

TEST(CacheConcurrency, TheViewAndTheWorkerMakeEveryKeyExactlyOnce)
{
    TempBook book(colouredPages(6, 240, 320));
    BookOwner owner(book.folder);
    CacheManager cache(&owner);
    WorkerBlock worker;
    ASSERT_TRUE(startWorker(worker, cache));
    const int rounds = 200;
    CaptureStderr();
    for (int round = 0; round < rounds; ++round) {
        cache.openCache();
        const int first = (round * 2) % 6;
        const float scale = round % 3 == 0 ? 100.0f : 50.0f;
        // The prefetch of the spread, then at once the view's draw of the same spread, in
        // either order so that the two threads meet at every level.
        cache.requestChain(key(SCALEDIMG, first, scale));
        cache.requestChain(key(SCALEDIMG, first + 1, scale));
        const int shownFirst = round % 2 == 0 ? first : first + 1;
        // A varying head start lets the worker be at a different level when the view asks.
        std::this_thread::sleep_for(std::chrono::microseconds(150 * (round % 7)));
        Held a(cache, cache.prepareEntry(SCALEDIMG, shownFirst, 1.0f, 0.0f, scale));
        Held b(cache, cache.prepareEntry(SCALEDIMG, 2 * first + 1 - shownFirst, 1.0f, 0.0f, scale));
        ASSERT_NE(a.get(), nullptr);
        ASSERT_NE(b.get(), nullptr);
        EXPECT_TRUE(showsPage(a.get(), shownFirst));
        expectChainsOnce(cache, first, scale);
        a.reset();
        b.reset();
        cache.clearAll(); // waits for whatever the worker is still making
        ASSERT_EQ(cache.referenceSum(), 0);
        ASSERT_EQ(cache.creatingCount(), 0u);
    }
    stopWorker(worker);
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(countOf(trace, "---- <<>> creatingに挿入 "), 8 * rounds);
    EXPECT_EQ(countOf(trace, "creatingから削除(in success)"), 8 * rounds);
    EXPECT_EQ(countOf(trace, "(in failed)"), 0);
    EXPECT_EQ(countOf(trace, "file deflated to memory."), 2 * rounds);
    EXPECT_EQ(countOf(trace, "warning: "), 0);
    EXPECT_EQ(countOf(trace, "refcount under zero"), 0);
    EXPECT_EQ(countOf(trace, "freed while being referenced"), 0);
    EXPECT_GE(countOf(trace, "worker: created"), 1);
    std::cout << "worker made " << countOf(trace, "worker: created") << " of " << 8 * rounds
              << " objects; the view waited " << countOf(trace, "寝て待つよ") << " times\n";
}

TEST(CacheConcurrency, EvictionNeverTakesAPictureFromUnderItsHolder)
{
    ScopedCacheLimit limit(1); // the worker evicts everything unreferenced beyond 16 objects
    const int pageCount = 6;
    TempBook book(colouredPages(pageCount, 160, 224));
    BookOwner owner(book.folder);
    CacheManager cache(&owner);
    cache.openCache();
    WorkerBlock worker;
    ASSERT_TRUE(startWorker(worker, cache));
    const float scales[] = {100.0f, 50.0f, 75.0f, 125.0f};
    CaptureStderr();
    std::unique_ptr<Held> held;
    int heldPage = 0;
    for (int round = 0; round < 400; ++round) {
        const int page = (round * 7) % pageCount;
        const float scale = scales[round % 4];
        cache.requestChain(key(SCALEDIMG, (page + 1) % pageCount, scales[(round + 1) % 4]));
        auto picture =
            std::make_unique<Held>(cache, cache.prepareEntry(SCALEDIMG, page, 1.0f, 0.0f, scale));
        ASSERT_NE(picture->get(), nullptr);
        EXPECT_TRUE(showsPage(picture->get(), page)) << "round " << round;
        // Keep one picture across rounds while the worker evicts around it.
        if (held) {
            EXPECT_TRUE(showsPage(held->get(), heldPage));
        }
        held = std::move(picture);
        heldPage = page;
        // Let the worker catch up now and then, so that it also evicts while the view works.
        if (round % 2 == 0) {
            ASSERT_TRUE(eventually(
                [&] { return cache.queuedRequests().empty() && cache.creatingCount() == 0; }));
        }
    }
    held.reset();
    stopWorker(worker);
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(cache.referenceSum(), 0);
    EXPECT_EQ(countOf(trace, "refcount under zero"), 0);
    EXPECT_EQ(countOf(trace, "freed while being referenced"), 0);
    EXPECT_GE(countOf(trace, "   free entry"), 1);
    cache.clearAll();
}
