#include "CacheWorker.h"

#include <cstdint>

#include "pipeline/CacheManager.h"
#include "pipeline/PluginCallLock.h"
#include "platform/Diagnostics.h"

namespace {

void traceRequest(const char* format, const CacheKey& key)
{
    debugPrint(format, key.tag, key.page, key.filterParam1, key.filterParam2, key.scale);
}

// One request: make it from its parent, store it or give the creation up (waiters then make
// it themselves) and queue it again within the retry bound. A plug-in whose lock another
// thread holds is waited for only as long as nobody needs the key and the cache stays open:
// the UI thread may hold that lock while it runs the event loop, and an event may then wait
// for this very key, or close the book. Such a give-up is no failure: nothing is stored, and
// the request is not counted nor queued again.
void makeRequest(WorkerBlock& block, CacheManager& cache, const CacheManager::Work& work)
{
    traceRequest("worker: create %d p.%d %f %f %f\n", work.request);
    CacheObject* object = nullptr;
    bool gaveUp = false;
    {
        PluginCallLock::GiveUpScope scope(
            [&] { return block.running.load() != 1 || cache.creationUnwanted(work.request); });
        object = cache.createEntry(work.request, work.parent);
        gaveUp = scope.gaveUp();
    }
    if (gaveUp) {
        delete object;
        traceRequest("worker: gave up %d p.%d %f %f %f\n", work.request);
        cache.cancelCreation(work.request);
    } else if (object != nullptr) {
        traceRequest("worker: created %d p.%d %f %f %f\n", work.request);
        cache.insertEntry(object, false);
    } else {
        traceRequest("worker: failed %d p.%d %f %f %f\n", work.request);
        cache.cancelCreation(work.request);
        cache.requeueFailed(work.request);
    }
    if (work.parent != nullptr)
        cache.release(work.parent);
}

} // namespace

WorkerBlock::~WorkerBlock()
{
    stopWorker(*this);
}

void workerMain(WorkerBlock* block)
{
    block->threadId = currentThreadId();
    lowerCurrentThreadPriority();
    block->started.set();
    CacheManager& cache = *block->cache;
    while (block->running.load() == 1) {
        if (std::optional<CacheManager::Work> work = cache.takeNext())
            makeRequest(*block, cache, *work);
        cache.evict();
        // Go round again at once only when a request can run now; otherwise sleep until
        // requestChain, a stored level or stopWorker wakes us, instead of cycling over
        // requests that wait for a level the UI thread is making.
        if (cache.hasRunnableRequest())
            cache.wakeWorker();
        cache.waitForWork();
    }
    cache.wakeWorker();
}

bool startWorker(WorkerBlock& block, CacheManager& cache)
{
    if (block.thread.started())
        return block.cache == &cache; // one worker per block
    block.cache = &cache;
    block.running = 1;
    block.started.reset();
    const bool started = block.thread.start([&block] { workerMain(&block); });
    if (started) {
        block.started.wait();
    } else {
        block.running = 0;
        debugPrint("Thread Creation FAiled!\n");
    }
    debugPrint("thread handle=%x, thread id=%x\n",
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(&block.thread)),
               static_cast<unsigned>(block.threadId));
    return started;
}

void stopWorker(WorkerBlock& block)
{
    block.running = 0;
    if (!block.thread.started())
        return;
    if (block.cache != nullptr)
        block.cache->wakeWorker();
    const int id = static_cast<int>(block.threadId);
    while (!block.thread.waitFor(100))
        debugPrint("waiting thread %d\n", id);
    debugPrint("thread %d ended\n", id);
    block.thread.join();
}
