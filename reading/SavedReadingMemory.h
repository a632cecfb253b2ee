#pragma once

#include <functional>
#include <string>
#include <vector>

#include "persist/PositionStore.h"
#include "persist/RecentBooks.h"
#include "reading/ReadingMemory.h"

// The reading memory kept in two files, the positions and the recent books (persist/
// XdgFolders.h names them). Each file is read again just before a change and saved whole right
// after it, so that two programs running at once keep each other's books (for the same book the
// last save wins). A missing, unreadable or corrupt file counts as empty, with the stores' trace,
// and is replaced at the next save; an empty file name keeps that part in memory only. Draws
// nothing and shows no box, so it may run while the program ends without its display. UI thread
// only.
class SavedReadingMemory : public ReadingMemory {
  public:
    SavedReadingMemory(std::string positionsFile, std::string recentFile);

    int recall(const BookIdentity& book) override;
    void keep(const BookIdentity& book, int lowerPage) override;
    // The book goes first in the recent list.
    void opened(const std::string& path) override;
    // Traces "position: renamed FROM to TO".
    void renamed(const std::string& from, const std::string& to) override;

    // The recent list as last read or changed, most recent first.
    const std::vector<RecentEntry>& recent() const { return recent_.entries(); }
    // Its menu labels (RecentBooks::menuLabels), in the same order.
    std::vector<std::string> recentLabels() const { return recent_.menuLabels(); }
    // Reads the recent list from its file (at start-up).
    void loadRecent();
    // A folder opened in the catalog window goes first in the recent list.
    void addCatalogFolder(const std::string& folder);
    // Drops an entry whose book or folder has gone.
    void forgetRecent(const std::string& path, RecentKind kind);

    // Called after every change of the recent list, for the menu built from it.
    std::function<void()> recentChanged;
    // Called after a book's file was renamed (full paths), for the windows that show its name.
    std::function<void(const std::string& from, const std::string& to)> bookRenamed;

  private:
    void loadPositions();
    void savePositions() const;
    void changeRecent(const std::function<void(RecentBooks&)>& change);

    std::string positionsFile_, recentFile_;
    PositionStore positions_;
    RecentBooks recent_;
};
