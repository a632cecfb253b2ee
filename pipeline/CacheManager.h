#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "pipeline/CacheObject.h"
#include "platform/Event.h"
#include "platform/Mutex.h"

class ImageOperatorWrapper;

// What the cache needs of its owner (the main window): the open book and the reduction
// quality. The names differ from the main window's own `openBook` command and
// `highQualityReduction` field on purpose, so that the window can implement this without
// hiding them. currentBook is called on the UI thread and, between takeNext and insertEntry,
// on the worker: the owner may change its book only while the cache is closed (after
// clearAll, before openCache), which orders those reads after the change.
// reductionQuality is read on the UI thread only, by openCache and invalidate_scaled_entries;
// the cache scales with the copy it took there, so the owner's field needs no lock.
class CacheOwner {
  public:
    virtual ~CacheOwner() = default;
    // The open book, or null when none is open.
    virtual ImageOperatorWrapper* currentBook() = 0;
    // 1 when reduced pictures use the high-quality method (the `highQualityReduction` field).
    virtual int reductionQuality() const = 0;
};

// Bytes of pictures the cache keeps before the worker evicts unreferenced ones. Starts at the
// 64,000,000-byte floor; the program sets it once at start-up, before the main window,
//     cacheLimit = computeCacheLimit(physicalMemorySize());
// and a benchmark may set it any time (atomic: the worker reads it while evicting).
extern std::atomic<uint32_t> cacheLimit;
// A quarter of `physicalMemory`, at least 64,000,000; traces "phy memory=%u".
uint32_t computeCacheLimit(uint32_t physicalMemory);

// The four-level image cache of the open book, filled on demand by prepareEntry and in the
// background by the worker (CacheWorker.h). prepareEntry is the one way to obtain a picture;
// every object obtained must be given back with release. One lock guards the containers, the
// closed flag and every object's refCount; it is never held while reading page bytes,
// decoding or scaling, nor while waiting for another thread.
class CacheManager {
  public:
    // Starts closed. `owner` outlives the manager.
    explicit CacheManager(CacheOwner* owner);
    // Waits until nothing is queued, being made or held (drainAndClose), then frees every
    // entry. The worker must have been stopped first.
    ~CacheManager();
    CacheManager(const CacheManager&) = delete;
    CacheManager& operator=(const CacheManager&) = delete;

    // The object for the key, made on the calling thread level by level if missing (waiting
    // for a level another thread is making). Null when the cache is closed, no book is open,
    // the page is out of range or making it failed, and when the calling thread is itself
    // making the key further up its stack (an event pumped by an error box raised while
    // making it): a thread never waits for itself. The caller owns one reference.
    CacheObject* prepareEntry(int tag, int page, float filterParam1, float filterParam2,
                              float scale);
    // Gives back a reference obtained from prepareEntry. Any thread.
    void release(CacheObject* object) { object->release(*this); }

    // Queues the key and its missing lower levels for the worker and wakes it; returns at
    // once. Nothing is queued while the cache is closed. Any thread.
    void requestChain(const CacheKey& key);
    // Accepts work again, once a book with pages is open. UI thread.
    void openCache();
    // Refuses new work and waits until nothing is queued, being made or held, tracing
    // "wating... %d - %d - %d" every 50 ms. UI thread (never the worker). Called from an event
    // pumped while the calling thread is itself making a key further up its stack, it cannot
    // wait for that: it waits for the other threads' keys only, and marks its own so that
    // what they become is not stored (the book they were read from is going away).
    void drainAndClose();
    // drainAndClose, then frees every entry and request. Stays closed until openCache. Entries
    // still held (only possible in the case above: by frames of the calling thread) are taken
    // out of the cache and freed at their last release.
    void clearAll();
    // After the reduction quality changed: takes the owner's new quality, drops reduced
    // pictures nobody holds and reduced requests, and makes sure no reduced picture whose
    // scaling began before is stored; traces how many held ones stay. UI thread.
    void invalidate_scaled_entries();
    // Sum of the charges of every entry. Any thread (takes the lock).
    uint64_t memoryInUse();

    // ---- The worker's side (CacheWorker.cpp); also reachable by tests. ----

    // A request taken from the queue: its key is now in `creating`, owned by the caller, and
    // `parent` (none for COMPRESSEDFILE) carries a reference the caller gives back.
    struct Work {
        CacheKey request;
        CacheObject* parent = nullptr;
    };
    // The first runnable request in queue order, or nothing when none is runnable or the
    // cache is closed. Drops requests already cached or being made elsewhere, and requests
    // whose parent level is neither cached, queued nor being made (they could never run).
    std::optional<Work> takeNext();
    // True when takeNext would hand out a request now.
    bool hasRunnableRequest();
    // Makes the object for a taken request from its parent, without inserting it. Null when
    // making it failed. Any thread; no lock held.
    CacheObject* createEntry(const CacheKey& request, CacheObject* parent);
    // Stores a newly made object (the cache owns it from now on), adds a reference for the
    // caller when `hold`, and wakes the key's waiters. Returns the object stored for the key
    // (an equal one already cached wins; the new one is then deleted). Refuses, deleting it,
    // cancelling the creation and returning null, what was made for a book closed meanwhile
    // and a reduced picture whose scaling began before the reduction quality changed.
    CacheObject* insertEntry(CacheObject* object, bool hold);
    // Ends a failed creation: the key's waiters wake with none.
    void cancelCreation(const CacheKey& key);
    // True when a creation of `key` waiting for a plug-in should give up: the cache is closed,
    // the key is no longer being made, or another thread waits for it (and will make it
    // itself once woken with none). Asked by the worker while a plug-in's lock is busy.
    bool creationUnwanted(const CacheKey& key);
    // After the worker failed to make `request`: queues it again unless it has already failed
    // kMaxCreationAttempts times since the cache was last cleared (then it is traced and
    // dropped; a later requestChain may still queue it).
    void requeueFailed(const CacheKey& request);
    static constexpr int kMaxCreationAttempts = 3;
    // Frees unreferenced objects, least recently used first, while more than 16 are cached
    // and their sum exceeds cacheLimit. Worker thread, between requests.
    void evict();
    // The worker's sleep and its wake-up (auto-reset).
    void waitForWork() { wakeEvent.wait(); }
    void wakeWorker() { wakeEvent.set(); }

    // Tests only: called on the creating thread when a scaling begins, with the key and the
    // quality it uses, before any pixel is scaled. Set it before the worker starts.
    using ScalingProbe = std::function<void(const CacheKey&, int highQuality)>;
    void setScalingProbe(ScalingProbe probe) { scalingProbe_ = std::move(probe); }

    // ---- Inspection, for tests, benchmarks and the About box. Any thread. ----
    struct EntryInfo {
        CacheKey key;
        int refCount;
        uint64_t memorySize;
        bool valid;
        bool sharing;
        int width;
        int height;
    };
    std::vector<EntryInfo> snapshot();
    std::vector<CacheKey> queuedRequests();
    size_t creatingCount();
    // Threads waiting for a key another thread is making.
    size_t waiterCount();
    int referenceSum();
    bool isClosed();
    // Objects taken out by clearAll while still held, not yet given back.
    size_t retiredCount();

  private:
    friend class CacheObject; // release takes the lock

    // A thread waiting for a key another thread is making: its own manual-reset event and
    // where the waker stores the result (with a reference added for the waiter, or none).
    struct Waiter {
        Event* event;
        CacheObject** result;
    };
    // A key being made: by which thread, who waits for it, and what decides whether the
    // object made may still be stored.
    struct Making {
        std::thread::id creator;
        std::vector<Waiter> waiters;
        // The book was closed from an event pumped further down the creator's own stack.
        bool abandoned = false;
        // scalingGeneration_ when the reduced picture began to be scaled; 0 before that.
        unsigned scaledAt = 0;
    };
    enum class Lookup { Found, NoObject, Creator };
    // Why store refused an object.
    enum class Refusal { Accepted, Abandoned, OldQuality };

    // Finds the key (a reference added), waits for it while another thread makes it, or
    // registers the caller as its creator.
    Lookup lookupOrReserve(const CacheKey& key, CacheObject** found);
    void will_create(const CacheKey& key);                      // lock held
    void enqueueRequest(const CacheKey& key);                   // lock held
    void wakeWaiters(const CacheKey& key, CacheObject* object); // lock held
    void dumpCreating();                                        // lock held
    CacheObject* findEntry(const CacheKey& key); // lock held; first entry with the key
    void eraseEntry(CacheObject* object);        // lock held; removes and deletes it
    bool isQueued(const CacheKey& key) const;    // lock held
    void dropQueued(const CacheKey& key);        // lock held
    bool pendingWork();                          // takes the lock; drainAndClose's test
    int referenceSumLocked() const;              // lock held
    // True when the request's parent level is queued or being made, so that the request may
    // still become runnable. Lock held.
    bool parentPending(const CacheKey& request) const;
    // A request's parent level, when it has one (COMPRESSEDFILE has none).
    static std::optional<CacheKey> parentKey(const CacheKey& request);
    // Runnable test of takeNext for one request; the parent, when runnable. Lock held.
    bool runnable(const CacheKey& request, CacheObject** parent);
    // insertEntry's work, refusing (and deleting) an object of an abandoned creation or a
    // reduced picture scaled at a quality no longer current; the key then stays reserved.
    CacheObject* store(CacheObject* object, bool hold, Refusal* refusal);
    // The quality to scale the key at; marks when a reduction began. Calls the probe.
    int beginScaling(const CacheKey& key);
    // Whether the calling thread's creation of the key was abandoned by a clearAll.
    bool creationAbandoned(const CacheKey& key);
    // Frees retired objects nobody holds any more. Lock held.
    void freeReleasedRetired();

    // Making each level on the calling thread (CacheManagerCreation.cpp); each either inserts
    // an object for the reserved key (with a reference for the caller) or cancels it.
    CacheObject* prepareCompressed(ImageOperatorWrapper& book, const CacheKey& key);
    CacheObject* prepareRaw(ImageOperatorWrapper& book, const CacheKey& key);
    CacheObject* prepareFiltered(const CacheKey& key);
    CacheObject* prepareScaled(const CacheKey& key);

    CacheOwner* const owner_;
    Mutex lock;
    Event wakeEvent{Event::AutoReset};
    // The fields below are guarded by `lock`.
    std::vector<CacheObject*> entries;   // owned, in insertion order
    std::vector<CacheKey> requests;      // queued for the worker, in queue order
    std::map<CacheKey, Making> creating; // keys being made, with their creators and waiters
    int closed = 1;
    std::map<CacheKey, int> failedAttempts; // worker creations that failed, per key
    std::vector<CacheObject*> retired;      // owned; held when their book was closed
    int reductionQuality_ = 1;              // the owner's, as of openCache or the last change
    unsigned scalingGeneration_ = 1;        // bumped by invalidate_scaled_entries
    ScalingProbe scalingProbe_;             // set before any thread scales; not guarded
};
