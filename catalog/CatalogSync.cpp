#include "CatalogSync.h"

#include <FL/filename.H>

#include <climits>
#include <unordered_set>

#include "CatalogFile.h"
#include "SortOrder.h"
#include "pipeline/PluginRegistry.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"

namespace {

// The toolkit's sorted listing, freed with the toolkit's own function.
class FolderListing {
  public:
    explicit FolderListing(const std::string& folder)
        : count_(fl_filename_list(folder.c_str(), &list_))
    {
    }
    ~FolderListing()
    {
        if (list_)
            fl_filename_free_list(&list_, count_ < 0 ? 0 : count_);
    }
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;
    int count() const { return count_; }
    const char* name(int i) const { return list_[i]->d_name; }

  private:
    dirent** list_ = nullptr;
    int count_;
};

// The built-in ZIP reader's names, and the two archive kinds a catalog always listed even
// before a plug-in is loaded to read them.
const char* const kArchivePatterns[] = {"*.[Zz][Ii][Pp]", "*.[Ll][Zz][Hh]", "*.[Rr][Aa][Rr]"};

// Drops the entries whose archive is gone or changed; true when any was dropped.
bool dropStaleEntries(CatalogModel& model, const std::unordered_set<std::string>& members)
{
    bool dropped = false;
    std::unordered_set<std::string> kept;
    CatalogEntries remaining;
    for (auto& entry : model.entries) {
        const std::string name = entryName(*entry);
        if (members.count(name) == 0 || kept.count(name) != 0) {
            debugPrint("UPDATE: %s カタログから削除\n", name.c_str());
            dropped = true;
            continue;
        }
        const std::string path = joinPath(model.folderPath, name);
        int64_t size = 0;
        int64_t time = 0;
        if (!fileStatus(path, &size, &time) || recordedFileSize(size) != entry->fileSize ||
            time != entry->modifiedTime) {
            debugPrint("UPDATE: %s カタログが古く要更新\n", path.c_str());
            dropped = true;
            continue;
        }
        kept.insert(name);
        remaining.push_back(std::move(entry));
    }
    model.entries = std::move(remaining);
    return dropped;
}

// Appends an entry for every listed archive the list lacks; true when any was added.
bool addNewEntries(CatalogModel& model, const std::vector<std::string>& members)
{
    std::unordered_set<std::string> known;
    for (const auto& entry : model.entries)
        known.insert(entryName(*entry));
    bool added = false;
    for (const std::string& name : members) {
        if (known.count(name) != 0)
            continue;
        debugPrint("UPDATE: %s カタログへ追加\n", name.c_str());
        std::shared_ptr<CatalogEntry> entry = newCatalogEntry();
        if (!entry)
            break;
        setEntryName(*entry, name);
        int64_t size = 0;
        int64_t time = 0;
        if (fileStatus(joinPath(model.folderPath, name), &size, &time)) {
            entry->fileSize = recordedFileSize(size);
            entry->modifiedTime = time;
        } else {
            debugPrint("stat() failed for %s\n", name.c_str());
        }
        known.insert(name);
        model.entries.push_back(std::move(entry));
        added = true;
    }
    return added;
}

} // namespace

bool isCatalogArchive(const std::string& name, const std::string& folder)
{
    if (name.empty() || name == kCatalogFileName || name.find('/') != std::string::npos)
        return false;
    bool matched = false;
    for (const char* pattern : kArchivePatterns)
        matched = matched || fl_filename_match(name.c_str(), pattern) != 0;
    // Every archive the program opens belongs in the catalog: the loaded archive plug-ins'
    // patterns too (compared in lower case, so letter case never matters).
    matched = matched || whichSpi(name, "AM") >= 0;
    return matched && isRegularFile(joinPath(folder, name));
}

bool listCatalogArchives(const std::string& folder, std::vector<std::string>& names)
{
    names.clear();
    FolderListing listing(folder);
    if (listing.count() < 0) {
        debugPrint("syncWithFolder(): can't list %s\n", folder.c_str());
        return false;
    }
    for (int i = 0; i < listing.count(); ++i) {
        if (isCatalogArchive(listing.name(i), folder))
            names.push_back(listing.name(i));
    }
    return true;
}

int32_t recordedFileSize(int64_t size)
{
    if (size > INT32_MAX)
        return INT32_MAX;
    return size < 0 ? 0 : static_cast<int32_t>(size);
}

bool syncWithFolder(CatalogModel& model)
{
    std::vector<std::string> members;
    if (model.folderPath.empty() || !listCatalogArchives(model.folderPath, members))
        return false;
    const std::unordered_set<std::string> memberSet(members.begin(), members.end());
    const bool inList =
        model.selectedIndex >= 0 && model.selectedIndex < static_cast<int>(model.entries.size());
    const std::shared_ptr<CatalogEntry> selected =
        inList ? model.entries[model.selectedIndex] : nullptr;

    const bool dropped = dropStaleEntries(model, memberSet);
    const bool added = addNewEntries(model, members);
    if (selected)
        model.selectedIndex = findEntry(model.entries, selected.get());
    if (!dropped && !added)
        return false;
    model.modified = true;
    applySortOrder(model);
    return true;
}
