#include "CacheManager.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "platform/Diagnostics.h"
#include "platform/Thread.h"

#ifdef MEKURI_TSAN
#include <opencv2/core/utility.hpp>
#endif

// Making pictures lives in CacheManagerCreation.cpp and the request queue in
// CacheManagerQueue.cpp; this file keeps the entries, the creators and their waiters, eviction
// and the book's lifecycle.

namespace {

constexpr uint32_t kMinimumCacheLimit = 64000000;
// Eviction leaves at least this many objects, whatever their size.
constexpr size_t kEvictionFloor = 16;

// Trace lines print byte counts with %u / %d: clamp instead of wrapping.
unsigned clampUnsigned(uint64_t value)
{
    return value > UINT_MAX ? UINT_MAX : static_cast<unsigned>(value);
}

int clampInt(uint64_t value)
{
    return value > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

int truncatedPercent(float scale)
{
    if (!(scale > -2147483648.0f && scale < 2147483647.0f))
        return 0;
    return static_cast<int>(scale);
}

} // namespace

std::atomic<uint32_t> cacheLimit{kMinimumCacheLimit};

uint32_t computeCacheLimit(uint32_t physicalMemory)
{
    debugPrint("phy memory=%u\n", physicalMemory);
    return std::max(physicalMemory / 4, kMinimumCacheLimit);
}

CacheManager::CacheManager(CacheOwner* owner) : owner_(owner)
{
#ifdef MEKURI_TSAN
    // Debian's OpenCV resizes on TBB threads whose synchronisation ThreadSanitizer cannot
    // see; scaling on the calling thread keeps its reports about our own code.
    cv::setNumThreads(1);
#endif
}

CacheManager::~CacheManager()
{
    drainAndClose();
    AutoLock hold(lock);
    for (CacheObject* object : entries)
        delete object;
    entries.clear();
    for (CacheObject* object : retired)
        delete object;
    retired.clear();
    requests.clear();
}

CacheObject* CacheManager::findEntry(const CacheKey& key)
{
    for (CacheObject* object : entries) {
        if (object->key() == key)
            return object;
    }
    return nullptr;
}

void CacheManager::eraseEntry(CacheObject* object)
{
    entries.erase(std::find(entries.begin(), entries.end(), object));
    delete object;
}

CacheManager::Lookup CacheManager::lookupOrReserve(const CacheKey& key, CacheObject** found)
{
    // A waiter whose creator failed looks again from the start: meanwhile another thread may
    // have made the key, or registered itself as its creator.
    for (;;) {
        Event event(Event::ManualReset);
        CacheObject* result = nullptr;
        {
            AutoLock hold(lock);
            if (closed)
                return Lookup::NoObject;
            if (CacheObject* entry = findEntry(key)) {
                if (entry->isValid(entries)) {
                    entry->touch();
                    entry->addRef();
                    *found = entry;
                    return Lookup::Found;
                }
                eraseEntry(entry);
            }
            auto making = creating.find(key);
            if (making == creating.end()) {
                will_create(key);
                dropQueued(key);
                return Lookup::Creator;
            }
            if (making->second.creator == std::this_thread::get_id()) {
                // An event pumped while this very thread makes the key (an error box raised
                // on the way) asks for it again: waiting would never end.
                debugPrint("○○○ %d p.%d is being made further up this thread: none ○○○\n", key.tag,
                           key.page);
                return Lookup::NoObject;
            }
            making->second.waiters.push_back(Waiter{&event, &result});
            hold.release();
        }
        debugPrint("○○○ 寝て待つよ <%x>○○○\n", event.handle());
        event.wait();
        debugPrint("○○○ 起きた <%x>○○○\n", event.handle());
        if (result != nullptr) {
            *found = result;
            return Lookup::Found;
        }
    }
}

void CacheManager::will_create(const CacheKey& key)
{
    debugPrint("---- <<>> creatingに挿入 %d %d %f %f %f\n", key.tag, key.page, key.filterParam1,
               key.filterParam2, key.scale);
    creating.emplace(key, Making{std::this_thread::get_id(), {}, false, 0});
}

void CacheManager::dumpCreating()
{
    debugPrint("create queue:\n");
    for (const auto& making : creating) {
        const CacheKey& key = making.first;
        debugPrint("  %d %d %f %f %f (%d waiting)\n", key.tag, key.page, key.filterParam1,
                   key.filterParam2, key.scale, static_cast<int>(making.second.waiters.size()));
    }
}

void CacheManager::wakeWaiters(const CacheKey& key, CacheObject* object)
{
    auto making = creating.find(key);
    if (making == creating.end())
        return;
    std::vector<Waiter>& waiters = making->second.waiters;
    if (!waiters.empty()) {
        object->touch();
        for (const Waiter& waiter : waiters) {
            *waiter.result = object;
            object->addRef();
            waiter.event->set();
        }
        waiters.clear();
    }
    dumpCreating();
    debugPrint("---- <<>> creatingから削除(in success) %d %d %f %f %f\n", key.tag, key.page,
               key.filterParam1, key.filterParam2, key.scale);
    creating.erase(making);
    dumpCreating();
}

CacheObject* CacheManager::insertEntry(CacheObject* object, bool hold)
{
    const CacheKey key = object->key();
    Refusal refusal = Refusal::Accepted;
    CacheObject* stored = store(object, hold, &refusal);
    if (refusal != Refusal::Accepted)
        cancelCreation(key); // waiters wake with none and make it afresh
    return stored;
}

CacheObject* CacheManager::store(CacheObject* object, bool hold, Refusal* refusal)
{
    AutoLock guard(lock);
    const CacheKey key = object->key();
    *refusal = Refusal::Accepted;
    auto making = creating.find(key);
    if (making != creating.end()) {
        if (making->second.abandoned) {
            debugPrint("---- <<>> %d p.%d made for a closed book: not stored\n", key.tag, key.page);
            *refusal = Refusal::Abandoned;
        } else if (making->second.scaledAt != 0 && making->second.scaledAt != scalingGeneration_) {
            debugPrint("Scaling p.%d began before the reduction quality changed: not stored\n",
                       key.page);
            *refusal = Refusal::OldQuality;
        }
        if (*refusal != Refusal::Accepted) {
            delete object;
            return nullptr;
        }
    }
    CacheObject* stored = object;
    if (CacheObject* existing = findEntry(key)) {
        if (existing->isValid(entries)) {
            debugPrint(
                "warning: 作ったobjectをキャッシュに格納しようとしたが、同じ物が既にあった\n");
            delete object;
            stored = existing;
        } else {
            debugPrint("warning: 作ったobjectをキャッシュに格納しようとしたが、同じ物が既にあった "
                       "and 無効なエントリ\n");
            eraseEntry(existing);
        }
    }
    if (stored == object)
        entries.push_back(object);
    if (hold) {
        stored->addRef();
        stored->touch();
    }
    wakeWaiters(key, stored);
    // A level just made may be the parent a queued request was waiting for.
    if (!requests.empty())
        wakeEvent.set();
    return stored;
}

void CacheManager::cancelCreation(const CacheKey& key)
{
    AutoLock guard(lock);
    auto making = creating.find(key);
    if (making == creating.end())
        return;
    for (const Waiter& waiter : making->second.waiters) {
        *waiter.result = nullptr;
        waiter.event->set();
    }
    debugPrint("---- <<>> creatingから削除(in failed) %d %d %f %f %f\n", key.tag, key.page,
               key.filterParam1, key.filterParam2, key.scale);
    creating.erase(making);
    if (!requests.empty())
        wakeEvent.set();
}

bool CacheManager::creationUnwanted(const CacheKey& key)
{
    AutoLock guard(lock);
    if (closed)
        return true;
    auto making = creating.find(key);
    return making == creating.end() || !making->second.waiters.empty();
}

void CacheManager::evict()
{
    AutoLock guard(lock);
    uint64_t sum = 0;
    for (const CacheObject* object : entries)
        sum += object->memorySize();
    debugPrint("メモリ消費=%u[byte]<%x>\n", clampUnsigned(sum),
               static_cast<unsigned>(currentThreadId()));
    while (entries.size() > kEvictionFloor && sum > cacheLimit.load()) {
        CacheObject* victim = entries.front();
        for (CacheObject* object : entries) {
            if (object->refCount < victim->refCount ||
                (object->refCount == victim->refCount &&
                 object->lastUsed.load(std::memory_order_relaxed) <
                     victim->lastUsed.load(std::memory_order_relaxed)))
                victim = object;
        }
        if (victim->refCount > 0) {
            debugPrint("   unused entry not found\n");
            return;
        }
        sum -= victim->memorySize();
        debugPrint("   free entry tag=%d, page %d, %d%%  削減->%d[byte] (%d objs cached)\n",
                   victim->tag, victim->page, truncatedPercent(victim->scale), clampInt(sum),
                   static_cast<int>(entries.size()));
        eraseEntry(victim);
    }
}

void CacheManager::invalidate_scaled_entries()
{
    const int quality = owner_->reductionQuality();
    AutoLock guard(lock);
    // A reduction already under way is refused when it is stored (see store).
    reductionQuality_ = quality;
    ++scalingGeneration_;
    if (entries.empty())
        return;
    int held = 0;
    for (size_t i = entries.size(); i-- > 0;) {
        CacheObject* object = entries[i];
        if (object->tag != SCALEDIMG || !(object->scale < 100.0f))
            continue;
        if (object->refCount <= 0)
            eraseEntry(object);
        else
            ++held;
    }
    for (size_t i = requests.size(); i-- > 0;) {
        if (requests[i].tag == SCALEDIMG && requests[i].scale < 100.0f)
            requests.erase(requests.begin() + static_cast<std::ptrdiff_t>(i));
    }
    debugPrint("invalidate_scaled_entries(): %d entries are locked. not invalidated.\n", held);
}

void CacheManager::openCache()
{
    const int quality = owner_->reductionQuality();
    AutoLock guard(lock);
    reductionQuality_ = quality;
    closed = 0;
}

bool CacheManager::pendingWork()
{
    AutoLock guard(lock);
    requests.clear();
    const std::thread::id self = std::this_thread::get_id();
    bool ownKeys = false;
    bool otherKeys = false;
    for (auto& making : creating) {
        if (making.second.creator != self) {
            otherKeys = true;
            continue;
        }
        ownKeys = true;
        if (!making.second.abandoned) {
            debugPrint("---- <<>> %d p.%d is being made further up this thread: abandoned\n",
                       making.first.tag, making.first.page);
            making.second.abandoned = true;
        }
    }
    // Below its own creations this thread holds what they hold (and a view may hold the other
    // page of its spread): those references come back only after this call returns, so they
    // cannot be waited for. The worker holds a reference only while it makes a key.
    if (ownKeys)
        return otherKeys;
    return otherKeys || referenceSumLocked() != 0;
}

void CacheManager::drainAndClose()
{
    {
        AutoLock guard(lock);
        closed = 1;
        requests.clear();
    }
    while (pendingWork()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        int queued = 0;
        int making = 0;
        int references = 0;
        {
            AutoLock guard(lock);
            queued = static_cast<int>(requests.size());
            making = static_cast<int>(creating.size());
            references = referenceSumLocked();
        }
        debugPrint("wating... %d - %d - %d\n", queued, making, references);
    }
}

void CacheManager::clearAll()
{
    drainAndClose();
    AutoLock guard(lock);
    int kept = 0;
    for (CacheObject* object : entries) {
        if (object->refCount > 0) {
            retired.push_back(object);
            ++kept;
        } else {
            delete object;
        }
    }
    if (kept > 0)
        debugPrint("clearAll(): %d held objects kept until released\n", kept);
    entries.clear();
    requests.clear();
    failedAttempts.clear();
}

uint64_t CacheManager::memoryInUse()
{
    AutoLock guard(lock);
    uint64_t sum = 0;
    for (const CacheObject* object : entries)
        sum += object->memorySize();
    return sum;
}

int CacheManager::referenceSumLocked() const
{
    int sum = 0;
    for (const CacheObject* object : entries)
        sum += object->refCount;
    return sum;
}

std::vector<CacheManager::EntryInfo> CacheManager::snapshot()
{
    AutoLock guard(lock);
    std::vector<EntryInfo> list;
    list.reserve(entries.size());
    for (const CacheObject* object : entries) {
        list.push_back(EntryInfo{object->key(), object->refCount, object->memorySize(),
                                 object->isValid(entries), object->source != nullptr, object->width,
                                 object->height});
    }
    return list;
}

std::vector<CacheKey> CacheManager::queuedRequests()
{
    AutoLock guard(lock);
    return requests;
}

size_t CacheManager::creatingCount()
{
    AutoLock guard(lock);
    return creating.size();
}

size_t CacheManager::waiterCount()
{
    AutoLock guard(lock);
    size_t count = 0;
    for (const auto& making : creating)
        count += making.second.waiters.size();
    return count;
}

int CacheManager::referenceSum()
{
    AutoLock guard(lock);
    return referenceSumLocked();
}

bool CacheManager::isClosed()
{
    AutoLock guard(lock);
    return closed != 0;
}

size_t CacheManager::retiredCount()
{
    AutoLock guard(lock);
    return retired.size();
}

void CacheManager::freeReleasedRetired()
{
    for (size_t i = retired.size(); i-- > 0;) {
        if (retired[i]->refCount <= 0) {
            delete retired[i];
            retired.erase(retired.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

bool CacheManager::creationAbandoned(const CacheKey& key)
{
    AutoLock guard(lock);
    auto making = creating.find(key);
    return making != creating.end() && making->second.abandoned;
}

int CacheManager::beginScaling(const CacheKey& key)
{
    int quality;
    {
        AutoLock guard(lock);
        quality = reductionQuality_;
        auto making = creating.find(key);
        if (making != creating.end() && key.scale < 100.0f)
            making->second.scaledAt = scalingGeneration_;
    }
    if (scalingProbe_)
        scalingProbe_(key, quality);
    return quality;
}
