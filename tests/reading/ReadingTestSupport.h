#pragma once

// A reading model over a real image cache, with books made on disk: what the main window is
// without its widgets. The message boxes shown are recorded, not shown.

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/CacheManager.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "platform/Dialogs.h"
#include "reading/ReadingModel.h"
#include "tools/BookMaker.h"

namespace readingtest {

// The model as the main window holds it, and the cache that reads its book.
class Reader : public ReadingModel, public CacheOwner {
  public:
    Reader() : cache(this) {}
    ~Reader() override { cache.clearAll(); }

    ImageOperatorWrapper* currentBook() override { return bookOpen ? book.get() : nullptr; }
    int reductionQuality() const override { return 1; }

    // Opens `path` into a scroll area of 1004 × 704 pixels.
    ReadingChange open(const std::string& path, const ChangeSink& show = {})
    {
        return openBook(path, cache, 1004, 704, show);
    }

    CacheManager cache;
};

// A temporary folder for books, the boxes shown meanwhile, and the current directory (which
// opening a book changes) put back afterwards.
class Shelf {
  public:
    Shelf()
    {
        char pattern[] = "/tmp/mekuri-reading-XXXXXX";
        const char* made = mkdtemp(pattern);
        folder = made ? made : "";
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd))
            startDir = cwd;
        setDialogResponder([this](const DialogRequest& r, DialogAnswer&) {
            boxes.push_back(r.title + ": " + r.text);
            return true;
        });
    }
    ~Shelf()
    {
        setDialogResponder(nullptr);
        if (!startDir.empty() && chdir(startDir.c_str()) != 0)
            std::perror("chdir");
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    Shelf(const Shelf&) = delete;
    Shelf& operator=(const Shelf&) = delete;

    // A ZIP book `name` with pages "p01.jpg", … of the given sizes (grey).
    std::string zipBook(const std::string& name, const std::vector<std::pair<int, int>>& sizes)
    {
        std::vector<std::pair<std::string, std::vector<unsigned char>>> entries;
        for (size_t i = 0; i < sizes.size(); ++i) {
            char page[32];
            std::snprintf(page, sizeof page, "p%02zu.jpg", i + 1);
            const RgbImage image(sizes[i].first, sizes[i].second, Rgb{128, 128, 128});
            entries.push_back({page, encodeJpeg(image, 80)});
        }
        if (entries.empty()) // an archive without pictures
            entries.push_back({"readme.txt", {'n', 'o'}});
        const std::string path = folder + "/" + name;
        writeZip(path, entries);
        return path;
    }
    // A ZIP book of `n` small pages.
    std::string pages(const std::string& name, int n)
    {
        return zipBook(name, std::vector<std::pair<int, int>>(n, {16, 24}));
    }

    std::string folder;
    std::string startDir;
    std::vector<std::string> boxes; // "title: text" of every box, in order
};

} // namespace readingtest
