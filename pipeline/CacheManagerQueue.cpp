#include "CacheManager.h"

#include <algorithm>
#include <cmath>

#include "platform/Diagnostics.h"
#include "platform/SystemInfo.h"

// CacheManager: the queue of requests the worker makes in the background.

namespace {

void traceKey(const char* format, const CacheKey& key)
{
    debugPrint(format, key.tag, key.page, key.filterParam1, key.filterParam2, key.scale);
}

} // namespace

void CacheManager::requestChain(const CacheKey& key)
{
    AutoLock guard(lock);
    if (closed)
        return;
    const bool finite = std::isfinite(key.filterParam1) && std::isfinite(key.filterParam2) &&
                        std::isfinite(key.scale);
    if (finite && key.page >= 0 && key.tag >= COMPRESSEDFILE && key.tag <= SCALEDIMG) {
        // Bottom level first, so that the worker finishes one page's chain before the next.
        enqueueRequest(CacheKey{COMPRESSEDFILE, key.page, 1.0f, 0.0f, 100.0f});
        if (key.tag >= RAWIMG)
            enqueueRequest(CacheKey{RAWIMG, key.page, 1.0f, 0.0f, 100.0f});
        if (key.tag >= FILTEREDIMG)
            enqueueRequest(
                CacheKey{FILTEREDIMG, key.page, key.filterParam1, key.filterParam2, 100.0f});
        if (key.tag >= SCALEDIMG)
            enqueueRequest(key);
    }
    wakeEvent.set();
}

void CacheManager::enqueueRequest(const CacheKey& key)
{
    if (isQueued(key) || findEntry(key) != nullptr || creating.count(key) != 0)
        return;
    requests.push_back(key);
    traceKey("insert request %d p.%d %f %f %f\n", key);
}

bool CacheManager::isQueued(const CacheKey& key) const
{
    return std::find(requests.begin(), requests.end(), key) != requests.end();
}

void CacheManager::dropQueued(const CacheKey& key)
{
    requests.erase(std::remove(requests.begin(), requests.end(), key), requests.end());
}

std::optional<CacheKey> CacheManager::parentKey(const CacheKey& request)
{
    switch (request.tag) {
    case RAWIMG:
        return CacheKey{COMPRESSEDFILE, request.page, 1.0f, 0.0f, 100.0f};
    case FILTEREDIMG:
        return CacheKey{RAWIMG, request.page, 1.0f, 0.0f, 100.0f};
    case SCALEDIMG:
        return CacheKey{FILTEREDIMG, request.page, request.filterParam1, request.filterParam2,
                        100.0f};
    default:
        return std::nullopt;
    }
}

bool CacheManager::runnable(const CacheKey& request, CacheObject** parent)
{
    *parent = nullptr;
    const std::optional<CacheKey> below = parentKey(request);
    if (!below)
        return true;
    CacheObject* entry = findEntry(*below);
    if (entry == nullptr || !entry->isValid(entries))
        return false;
    *parent = entry;
    return true;
}

bool CacheManager::parentPending(const CacheKey& request) const
{
    const std::optional<CacheKey> below = parentKey(request);
    return below && (isQueued(*below) || creating.count(*below) != 0);
}

std::optional<CacheManager::Work> CacheManager::takeNext()
{
    AutoLock guard(lock);
    if (closed)
        return std::nullopt;
    for (size_t i = 0; i < requests.size();) {
        const CacheKey request = requests[i];
        const auto drop = [&] {
            requests.erase(requests.begin() + static_cast<std::ptrdiff_t>(i));
        };
        if (creating.count(request) != 0) {
            drop();
            continue;
        }
        if (CacheObject* entry = findEntry(request)) {
            if (entry->isValid(entries)) {
                drop();
                continue;
            }
            eraseEntry(entry);
        }
        CacheObject* parent = nullptr;
        if (!runnable(request, &parent)) {
            // A parent that is neither cached, queued nor being made will never appear:
            // keeping the request would only make the worker look at it again and again.
            if (!parentPending(request)) {
                traceKey("drop request %d p.%d %f %f %f (no parent)\n", request);
                drop();
                continue;
            }
            ++i;
            continue;
        }
        will_create(request);
        if (parent != nullptr) {
            parent->touch();
            parent->addRef();
        }
        drop();
        return Work{request, parent};
    }
    return std::nullopt;
}

bool CacheManager::hasRunnableRequest()
{
    AutoLock guard(lock);
    if (closed)
        return false;
    for (const CacheKey& request : requests) {
        if (creating.count(request) != 0)
            continue;
        CacheObject* entry = findEntry(request);
        if (entry != nullptr && entry->isValid(entries))
            continue;
        CacheObject* parent = nullptr;
        if (runnable(request, &parent))
            return true;
    }
    return false;
}

void CacheManager::requeueFailed(const CacheKey& request)
{
    AutoLock guard(lock);
    const int failures = ++failedAttempts[request];
    if (failures >= kMaxCreationAttempts) {
        debugPrint("give up request %d p.%d %f %f %f after %d failures\n", request.tag,
                   request.page, request.filterParam1, request.filterParam2, request.scale,
                   failures);
        return;
    }
    requestChain(request);
}
