#include "SavedReadingMemory.h"

#include <utility>

#include "platform/Diagnostics.h"

SavedReadingMemory::SavedReadingMemory(std::string positionsFile, std::string recentFile)
    : positionsFile_(std::move(positionsFile)), recentFile_(std::move(recentFile))
{
}

void SavedReadingMemory::loadPositions()
{
    if (!positionsFile_.empty())
        positions_.load(positionsFile_);
}

void SavedReadingMemory::savePositions() const
{
    if (!positionsFile_.empty())
        positions_.save(positionsFile_);
}

int SavedReadingMemory::recall(const BookIdentity& book)
{
    loadPositions();
    return positions_.lookup(book);
}

void SavedReadingMemory::keep(const BookIdentity& book, int lowerPage)
{
    loadPositions();
    positions_.remember(book, lowerPage);
    savePositions();
}

void SavedReadingMemory::opened(const std::string& path)
{
    changeRecent([&path](RecentBooks& list) { list.add(path, RecentKind::book); });
}

void SavedReadingMemory::renamed(const std::string& from, const std::string& to)
{
    debugPrint("position: renamed %s to %s\n", from.c_str(), to.c_str());
    loadPositions();
    positions_.rename(from, to);
    savePositions();
    changeRecent([&](RecentBooks& list) { list.rename(from, to); });
    if (bookRenamed)
        bookRenamed(from, to);
}

void SavedReadingMemory::loadRecent()
{
    if (!recentFile_.empty())
        recent_.load(recentFile_);
    if (recentChanged)
        recentChanged();
}

void SavedReadingMemory::addCatalogFolder(const std::string& folder)
{
    changeRecent([&folder](RecentBooks& list) { list.add(folder, RecentKind::catalogFolder); });
}

void SavedReadingMemory::forgetRecent(const std::string& path, RecentKind kind)
{
    changeRecent([&](RecentBooks& list) { list.remove(path, kind); });
}

void SavedReadingMemory::changeRecent(const std::function<void(RecentBooks&)>& change)
{
    if (!recentFile_.empty())
        recent_.load(recentFile_);
    change(recent_);
    if (!recentFile_.empty())
        recent_.save(recentFile_);
    if (recentChanged)
        recentChanged();
}
