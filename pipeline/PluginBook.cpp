#include "PluginBook.h"

#include <strings.h>

#include <cstring>

#include "pipeline/PluginCallLock.h"
#include "pipeline/PluginRegistry.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"
#include "platform/UiHooks.h"

namespace {

// Restores the cursor however the listing ends.
class BusyCursor {
  public:
    BusyCursor() { showBusyCursor(true); }
    ~BusyCursor() { showBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

std::string field(const char* text, size_t size)
{
    return std::string(text, strnlen(text, size));
}

// Walks the records up to the closing one, within the block. False when the block ended (or
// the count cap was reached) before a closing record.
bool appendRecords(const MemoryBlock& block, std::vector<PageEntry>& pages)
{
    const size_t count = std::min(block.size() / sizeof(SpiFileInfo), kMaxArchiveRecords);
    for (size_t i = 0; i < count; ++i) {
        SpiFileInfo record;
        std::memcpy(&record, block.data() + i * sizeof record, sizeof record);
        if (record.method[0] == 0)
            return true;
        PageEntry page;
        page.name =
            field(record.path, sizeof record.path) + field(record.filename, sizeof record.filename);
        page.size = record.filesize;
        page.position = record.position;
        page.time = static_cast<int64_t>(static_cast<uint32_t>(record.timestamp));
        pages.push_back(std::move(page));
    }
    return false;
}

} // namespace

int getArchiveInfo(const std::string& archive, int64_t* bookTime, SpiPlugin* plugin,
                   std::vector<PageEntry>& pages)
{
    pumpEvents();
    if (plugin == nullptr || plugin->module == nullptr || plugin->GetArchiveInfo == nullptr)
        return 0;
    void* handle = nullptr;
    int result;
    {
        BusyCursor cursor;
        PluginCallLock lock(*plugin);
        result = lock.held() ? plugin->GetArchiveInfo(archive.c_str(), 0, 0, &handle) : -1;
    }
    const MemoryBlock block = adoptPluginBlock(handle);
    // That plug-in answers non-zero even when it listed the archive.
    const bool blockIsEnough = strcasecmp(plugin->fileName.c_str(), "lhasad.spi") == 0;
    if (!block.valid() || (result != 0 && !blockIsEnough)) {
        debugPrint("%s::getArchiveInfo failed(%s) localmem=%x\n", plugin->fileName.c_str(),
                   archive.c_str(), static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle)));
        return 0;
    }
    pumpEvents();
    if (!appendRecords(block, pages))
        debugPrint("%s::getArchiveInfo: no closing record, %zu entries kept\n",
                   plugin->fileName.c_str(), pages.size());
    if (!fileStatus(archive, nullptr, bookTime))
        *bookTime = 0;
    return 1;
}

bool extractWithPlugin(SpiPlugin* plugin, const std::string& archive, const PageEntry& entry,
                       MemoryBlock& block, SpiProgress progress)
{
    if (plugin == nullptr || plugin->module == nullptr || plugin->GetFile == nullptr)
        return false;
    void* bytes = nullptr;
    int result;
    {
        PluginCallLock lock(*plugin);
        if (!lock.held())
            return false; // the worker gave up waiting: traced by the lock
        result = plugin->GetFile(archive.c_str(), static_cast<long>(entry.position), &bytes,
                                 SPI_FILE_TO_MEMORY, progress, 0);
    }
    MemoryBlock got = adoptPluginBlock(bytes);
    if (result != 0 || !got.valid()) {
        debugPrint("%s::GetFile(%s) failed %d\n", plugin->fileName.c_str(), entry.name.c_str(),
                   result);
        return false;
    }
    if (got.size() < entry.size) {
        debugPrint("%s::GetFile(%s) gave %zu of %u bytes\n", plugin->fileName.c_str(),
                   entry.name.c_str(), got.size(), entry.size);
        return false;
    }
    got.shrinkTo(entry.size);
    block = std::move(got);
    return true;
}
