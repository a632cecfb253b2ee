#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/FolderBook.h"
#include "pipeline/PageEntry.h"
#include "pipeline/PluginBook.h"
#include "pipeline/ZipBook.h"
#include "platform/MemoryBlock.h"
#include "platform/Mutex.h"
#include "plugins/SpiAbi.h"

struct SpiPlugin;

enum { BOOK_FOLDER = 0, BOOK_ZIP = 1 };

// An open book: the path of a folder, a ZIP archive or an archive a plug-in lists, turned into
// its pages, and any page's bytes on demand. Constructed on the UI thread (listing may pump
// events); extract may then run on several threads at once, since each read opens its own file
// or archive handle and plug-in calls hold the plug-in's lock. `pages` does not change after
// the constructor, except labels, which go through labelOf/setSizeLabel.
class ImageOperatorWrapper {
  public:
    explicit ImageOperatorWrapper(const std::string& path);
    ~ImageOperatorWrapper();
    ImageOperatorWrapper(const ImageOperatorWrapper&) = delete;
    ImageOperatorWrapper& operator=(const ImageOperatorWrapper&) = delete;

    // Forgets every page; the book is no longer valid. A book that is not valid has no pages.
    void close();

    // Reads page `page`'s bytes into a new block of exactly its listed size. 1 on success, 0 on
    // failure (traced). `progress` is passed to a plug-in's GetFile.
    int extract(int page, MemoryBlock& block, SpiProgress progress = nullptr);

    // Sets the label of pages[page] to name + "(WxH)" if it is still empty. Any thread.
    void setSizeLabel(int width, int page, int height);
    // The page's label, or its name when no label is set yet. Any thread.
    std::string labelOf(int page) const;

    int valid = 0;
    std::string path;            // full path of the book
    SpiPlugin* plugin = nullptr; // the archive plug-in that reads this book, or null
    int kind = BOOK_FOLDER;      // when plugin is null
    std::vector<PageEntry> pages;
    int64_t bookTime = 0; // modification time of the folder or archive

  private:
    // Decides the kind of book and lists its pages (sets valid, plugin, kind, pages, bookTime).
    void list();

    mutable Mutex labelLock_; // guards every page's label
};

// Drops the pages no decoder can open (no image plug-in claims the name, and it is not a
// JPEG name).
void filterPages(std::vector<PageEntry>& pages);
// Sorts pages by name in the program's name order (platform/NameOrder.h: the cp932
// case-insensitive order, or the natural order when it is switched on).
void sortPages(std::vector<PageEntry>& pages);
// The same order, keeping names that compare equal (a.jpg, A.JPG) in their listing order: the
// property list shows an archive's members so.
void sortPagesStable(std::vector<PageEntry>& pages);
