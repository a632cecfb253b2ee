#pragma once

// A real book for the cache tests: a temporary folder of JPEG pages of known sizes and
// colours, opened as an ImageOperatorWrapper, and the owner the cache reads it through.

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/CacheManager.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "tools/BookMaker.h"

namespace cachetest {

struct PageSpec {
    int width;
    int height;
    Rgb colour;
};

// Writes pages "p000.jpg", "p001.jpg", … into a new temporary folder; removes it again.
class TempBook {
  public:
    explicit TempBook(const std::vector<PageSpec>& pages)
    {
        char pattern[] = "/tmp/mekuri-cache-XXXXXX";
        const char* made = mkdtemp(pattern);
        folder = made != nullptr ? made : "";
        for (size_t i = 0; i < pages.size(); ++i) {
            char name[32];
            snprintf(name, sizeof name, "p%03zu.jpg", i);
            const RgbImage image(pages[i].width, pages[i].height, pages[i].colour);
            writeFile(folder + "/" + name, encodeJpeg(image, 90));
            names.push_back(name);
        }
    }
    ~TempBook()
    {
        for (const std::string& name : names)
            unlink((folder + "/" + name).c_str());
        for (const std::string& name : extraFiles)
            unlink((folder + "/" + name).c_str());
        rmdir(folder.c_str());
    }
    // Adds a file that is not a decodable JPEG, named so that it sorts last.
    void addFile(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        writeFile(folder + "/" + name, bytes);
        extraFiles.push_back(name);
    }

    std::string folder;
    std::vector<std::string> names;
    std::vector<std::string> extraFiles;
};

// The main window's part for the cache: the open book and the reduction quality. The book
// can be slowed down for the worker (openBook is called at the start of every creation) to
// hold a creation in progress.
class BookOwner : public CacheOwner {
  public:
    // Opens the folder as the main window does: listed, undecodable names dropped, sorted.
    explicit BookOwner(const std::string& folder) : book(folder)
    {
        filterPages(book.pages);
        sortPages(book.pages);
    }
    ImageOperatorWrapper* currentBook() override
    {
        if (std::this_thread::get_id() != uiThread && workerDelayMs.load() > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(workerDelayMs.load()));
        return book.valid ? &book : nullptr;
    }
    int reductionQuality() const override { return 1; }

    ImageOperatorWrapper book;
    std::thread::id uiThread = std::this_thread::get_id();
    std::atomic<int> workerDelayMs{0};
};

// Waits (polling) until `done` holds or about 20 s have passed; returns whether it held.
template <typename Condition> bool eventually(Condition done)
{
    for (int i = 0; i < 20000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

inline bool hasEntry(CacheManager& cache, const CacheKey& key)
{
    for (const auto& entry : cache.snapshot()) {
        if (entry.key == key)
            return true;
    }
    return false;
}

} // namespace cachetest
