// The worker against a UI thread that holds an archive plug-in's lock while it runs the event
// loop: the catalog extracts a page with a progress callback that pumps events, and an event
// may then ask for the very picture the worker waits to read through the same plug-in, or
// close the book. With the shipped archive plug-in and real archives.
#include "pipeline/CacheManager.h"

#include <gtest/gtest.h>

#include <functional>

#include "CacheBookSupport.h"
#include "CacheTestSupport.h"
#include "Watchdog.h"
#include "pipeline/CacheWorker.h"
#include "pipeline/PluginRegistry.h"

using namespace cachetest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const char* const kBook = MEKURI_FIXTURES "/books/photobook_lh5_level1.lzh";
const char* const kOtherArchive = MEKURI_FIXTURES "/archives/rar4/unrarjs_test_with_jpeg.rar";

// What the catalog's event pump does, run once from inside the plug-in's GetFile.
std::function<void()> pumpedEvent;

int progressRunningAnEvent(int, int, long)
{
    if (pumpedEvent) {
        const std::function<void()> event = std::move(pumpedEvent);
        pumpedEvent = nullptr;
        event();
    }
    return 0;
}

class CachePluginLock : public testing::Test {
  protected:
    static void SetUpTestSuite() { loadPluginsFrom(MEKURI_BIN_DIR); }
    static void TearDownTestSuite() { unloadPlugins(); }

    CachePluginLock() : owner(kBook), cache(&owner) {}
    ~CachePluginLock() override
    {
        stopWorker(worker);
        cache.clearAll();
    }

    void SetUp() override
    {
        ASSERT_TRUE(owner.book.valid && owner.book.plugin != nullptr);
        ASSERT_GE(owner.book.pages.size(), 2u);
        cache.openCache();
        ASSERT_TRUE(startWorker(worker, cache));
    }

    // Extracts the other archive's first page as the catalog does. Its progress callback
    // queues page 1 for the worker, waits until the worker has taken page 1's bytes (it then
    // waits for the plug-in's lock, which this thread holds), and runs `event`. True when the
    // outer extraction still delivered the whole page.
    bool extractWhileTheWorkerWaits(const std::function<void()>& event)
    {
        ImageOperatorWrapper other(kOtherArchive);
        filterPages(other.pages);
        sortPages(other.pages);
        if (!other.valid || other.pages.empty() || other.plugin != owner.book.plugin)
            return false;
        pumpedEvent = [&] {
            cache.requestChain(key(SCALEDIMG, 1, 50.0f));
            EXPECT_TRUE(eventually([&] { return cache.creatingCount() == 1; }));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            event();
        };
        MemoryBlock block;
        const int ok = other.extract(0, block, progressRunningAnEvent);
        pumpedEvent = nullptr;
        return ok == 1 && block.size() == other.pages[0].size;
    }

    // Page 1 read and decoded for real: its bytes are the page's, its picture is not the
    // 100 × 128 stand-in of an unreadable page.
    void expectPageOneMadeFromItsBytes()
    {
        int raws = 0;
        for (const auto& entry : cache.snapshot()) {
            if (entry.key == key(COMPRESSEDFILE, 1)) {
                EXPECT_EQ(static_cast<uint32_t>(entry.width), owner.book.pages[1].size);
            }
            if (entry.key == key(RAWIMG, 1)) {
                ++raws;
                EXPECT_FALSE(entry.width == 100 && entry.height == 128) << "the placeholder";
            }
        }
        EXPECT_EQ(raws, 1);
    }

    bool idle() { return cache.queuedRequests().empty() && cache.creatingCount() == 0; }

    BookOwner owner;
    CacheManager cache;
    WorkerBlock worker;
};

} // namespace

TEST_F(CachePluginLock, AnEventAskingForThePageTheWorkerWaitsToReadGetsIt)
{
    CacheObject* shown = nullptr;
    CaptureStderr();
    bool extracted = false;
    {
        Watchdog watchdog(20, "a redraw asking for the worker's page from a plug-in callback");
        extracted = extractWhileTheWorkerWaits(
            [&] { shown = cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 50.0f); });
    }
    EXPECT_TRUE(eventually([&] { return idle(); }));
    stopWorker(worker);
    const std::string trace = GetCapturedStderr();
    Held held(cache, shown);
    EXPECT_TRUE(extracted);
    ASSERT_NE(shown, nullptr);
    expectPageOneMadeFromItsBytes();
    for (const auto& entry : cache.snapshot()) {
        if (entry.key == key(RAWIMG, 1)) {
            EXPECT_EQ(shown->width, entry.width / 2);
        }
    }
    // The worker stepped aside for the waiting thread: no failure counted, nothing requeued.
    EXPECT_NE(trace.find("worker: gave up 0 p.1 "), std::string::npos) << trace;
    EXPECT_EQ(countOf(trace, "worker: failed"), 0) << trace;
    EXPECT_EQ(countOf(trace, "insert request 0 p.1 "), 1) << trace;
}

TEST_F(CachePluginLock, ClosingTheBookFromAPluginCallbackDoesNotWaitForTheWorkerForEver)
{
    CaptureStderr();
    bool extracted = false;
    {
        Watchdog watchdog(20, "clearAll from a plug-in callback while the worker waits");
        extracted = extractWhileTheWorkerWaits([&] { cache.clearAll(); });
    }
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(extracted);
    EXPECT_TRUE(cache.isClosed());
    EXPECT_EQ(cache.creatingCount(), 0u);
    EXPECT_EQ(cache.referenceSum(), 0);
    EXPECT_TRUE(cache.snapshot().empty());
    EXPECT_NE(trace.find("worker: gave up 0 p.1 "), std::string::npos) << trace;
    EXPECT_EQ(countOf(trace, "worker: failed"), 0) << trace;

    // Opened again, the page reads as before: the give-up left nothing behind.
    cache.openCache();
    Held again(cache, cache.prepareEntry(SCALEDIMG, 1, 1.0f, 0.0f, 50.0f));
    ASSERT_NE(again.get(), nullptr);
    expectPageOneMadeFromItsBytes();
}

TEST_F(CachePluginLock, StoppingTheWorkerFromAPluginCallbackDoesNotWaitForEver)
{
    CaptureStderr();
    bool extracted = false;
    {
        Watchdog watchdog(20, "stopWorker from a plug-in callback while the worker waits");
        extracted = extractWhileTheWorkerWaits([&] { stopWorker(worker); });
    }
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(extracted);
    EXPECT_EQ(worker.running.load(), 0);
    EXPECT_EQ(cache.creatingCount(), 0u);
    EXPECT_NE(trace.find("worker: gave up 0 p.1 "), std::string::npos) << trace;
    EXPECT_NE(trace.find(" ended\n"), std::string::npos) << trace;
}
