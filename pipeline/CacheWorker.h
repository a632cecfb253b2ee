#pragma once

#include <atomic>

#include "platform/Event.h"
#include "platform/Thread.h"

class CacheManager;

// The control block of the one cache worker thread, which makes queued requests
// (CacheManager::requestChain) in the background at lowered priority and evicts old
// pictures between them. Kept by the cache's owner (the main window) next to its
// CacheManager: startWorker in the owner's constructor, stopWorker in its destructor, before
// the CacheManager is destroyed. For example, in the main window:
//     CacheManager cacheManager{this}; // declared before the block, so destroyed after it
//     WorkerBlock worker;
//     Mekuri::Mekuri(...) { ...; startWorker(worker, cacheManager); }
//     Mekuri::~Mekuri() { ...close the book (clearAll)...; stopWorker(worker); ... }
struct WorkerBlock {
    WorkerBlock() = default;
    // Stops a worker still running (stopWorker is idempotent).
    ~WorkerBlock();
    WorkerBlock(const WorkerBlock&) = delete;
    WorkerBlock& operator=(const WorkerBlock&) = delete;

    Thread thread;                     // joined by stopWorker, never detached
    unsigned long threadId = 0;        // the worker's kernel id, once started
    CacheManager* cache = nullptr;     // the cache it fills, not owned
    std::atomic<int> running{0};       // 1 while the worker should go on; set by the UI thread
    Event started{Event::ManualReset}; // set once the worker has recorded its id
};

// Starts the worker on `cache` and traces "thread handle=%x, thread id=%x". When the thread
// cannot be made, traces "Thread Creation FAiled!" and returns false: everything then works
// on demand, but nothing is prefetched or evicted. UI thread.
bool startWorker(WorkerBlock& block, CacheManager& cache);

// Asks the worker to end and waits for it (a creation in progress is finished first),
// tracing "waiting thread %d" every 100 ms. Safe to call twice or without a worker. UI thread.
void stopWorker(WorkerBlock& block);

// The worker's body: take a runnable request, make it, store it, evict, sleep until woken.
// Sleeps whenever no queued request can run. Runs on the worker thread only.
void workerMain(WorkerBlock* block);
