// Every third-party test file and a set of hostile files the test makes are opened as books in
// the real main window (openBook) and read page by page (prepareEntry); every folder is built as
// a catalog. Each answers with its pictures, placeholders or a message; no book hangs (a
// watchdog ends the run naming the file); the peak memory stays bounded. Runs under Xvfb.
#include <FL/Fl.H>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HostileFiles.h"
#include "app/Mekuri.h"
#include "app/Opening.h"
#include "catalog/CatalogBuild.h"
#include "pipeline/Bgr24.h"
#include "pipeline/CacheManager.h"
#include "pipeline/PluginRegistry.h"
#include "platform/Dialogs.h"

namespace fs = std::filesystem;

namespace {

// Ends the process, naming the book, when one book takes longer than its time.
class Watchdog {
  public:
    Watchdog() : thread_([this] { run(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            quit_ = true;
        }
        cond_.notify_all();
        thread_.join();
    }
    void arm(const std::string& what, int seconds)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        what_ = what;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        armed_ = true;
    }
    void disarm()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        armed_ = false;
    }

  private:
    void run()
    {
        std::unique_lock<std::mutex> hold(mutex_);
        while (!quit_) {
            cond_.wait_for(hold, std::chrono::milliseconds(200));
            if (armed_ && std::chrono::steady_clock::now() > deadline_) {
                std::fprintf(stderr, "HANG: %s took too long\n", what_.c_str());
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }
    std::mutex mutex_;
    std::condition_variable cond_;
    std::string what_;
    std::chrono::steady_clock::time_point deadline_;
    bool armed_ = false;
    bool quit_ = false;
    std::thread thread_;
};

long peakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmHWM:") == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

std::string work;      // a copy of the fixtures and the hostile files
int messagesShown = 0; // boxes the program put up (answered by the seam)
Watchdog* watchdog = nullptr;

struct Outcome {
    int opened = 0;
    int pages = 0;
    int pictures = 0; // pages that gave a picture (or the placeholder)
    int tooLarge = 0; // pages refused at this zoom because the scaled picture would pass 1 GiB
};

// Whether `page` at `zoom` would need a picture larger than the cap (so none is made).
bool tooLargeAtZoom(Mekuri* w, int page, float zoom)
{
    CacheObject* full = w->prepareEntry(FILTEREDIMG, page, 1.0f, 0.0f, 100.0f);
    if (!full)
        return false;
    int width = 0, height = 0;
    full->imageData(&width, &height);
    w->releaseEntry(full);
    const double f = zoom / 100.0;
    return !pictureSizeAllowed(static_cast<int>(width * f), static_cast<int>(height * f));
}

// Opens `path` as a book and fetches every page at the opening zoom, as the spread view would.
Outcome readBook(const std::string& path)
{
    Outcome outcome;
    watchdog->arm(path, 120);
    const int before = messagesShown;
    outcome.opened = openBook(path);
    Mekuri* w = mainWindow;
    if (w->bookOpen) {
        outcome.pages = w->pageCount();
        for (int page = 0; page < outcome.pages; ++page) {
            CacheObject* o = w->prepareEntry(SCALEDIMG, page, 1.0f, 0.0f, w->zoomPercent);
            if (o) {
                int width = 0, height = 0;
                const unsigned char* pixels = o->imageData(&width, &height);
                EXPECT_GT(width, 0) << path << " page " << page;
                EXPECT_GT(height, 0) << path << " page " << page;
                if (pixels && width > 0 && height > 0) {
                    volatile unsigned char last = *o->pixelAt(width - 1, height - 1);
                    (void)last;
                    ++outcome.pictures;
                }
                w->releaseEntry(o);
            } else if (tooLargeAtZoom(w, page, w->zoomPercent)) {
                ++outcome.tooLarge;
            }
            w->cacheManager.evict(); // what the worker does after each of its passes
        }
        closeBook();
    }
    watchdog->disarm();
    if (!outcome.opened)
        EXPECT_GT(messagesShown, before) << path << " failed to open without a message";
    else
        EXPECT_EQ(outcome.pictures + outcome.tooLarge, outcome.pages)
            << path << ": a page gave no picture";
    return outcome;
}

// Builds the catalog of `folder` through every thumbnail, then closes it (saving it).
void buildCatalog(const std::string& folder)
{
    watchdog->arm(folder + " (catalog)", 300);
    CatalogModel model;
    model.folderPath = folder;
    loadAndSyncCatalog(model);
    int next = 0;
    for (int steps = 0; steps < 100000; ++steps) {
        if (thumbnailStep(model, next, false, nullptr) == ThumbnailStep::End)
            break;
    }
    for (const auto& entry : model.entries)
        EXPECT_EQ(entry->hasThumbnail, 1) << folder << " " << entry->fileName;
    closeCatalogModel(model, nullptr);
    watchdog->disarm();
}

std::vector<std::string> listTree(const std::string& root, bool folders)
{
    std::vector<std::string> paths;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        std::error_code error;
        const bool isFolder = item.is_directory(error) && !item.is_symlink(error);
        if (isFolder == folders && (folders || item.is_regular_file(error)))
            paths.push_back(item.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

class BadInput : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        Fl::w(); // opens the display
        cacheLimit = 64000000;
        loadPluginsFrom(MEKURI_BIN_DIR);
        char pattern[] = "/tmp/mekuri-badinput-XXXXXX";
        work = mkdtemp(pattern);
        fs::copy(MEKURI_FIXTURES, work + "/fixtures", fs::copy_options::recursive);
        fs::create_directory(work + "/hostile");
        makeHostileFiles(work + "/hostile");
        setDialogResponder([](const DialogRequest&, DialogAnswer& answer) {
            ++messagesShown;
            answer.button = 0;
            return true;
        });
        watchdog = new Watchdog;
        new Mekuri(1000, 800, StartOptions{});
    }
    static void TearDownTestSuite()
    {
        delete mainWindow;
        delete watchdog;
        setDialogResponder(nullptr);
        unloadPlugins();
        std::error_code error;
        fs::permissions(work + "/hostile/odd_pages/d_locked.jpg", fs::perms::owner_all, error);
        fs::remove_all(work, error);
    }
};

TEST_F(BadInput, EveryFixtureFileOpensAsABookOrIsRefusedWithAMessage)
{
    std::vector<std::string> opened;
    for (const std::string& path : listTree(work + "/fixtures", false)) {
        if (readBook(path).opened)
            opened.push_back(fs::path(path).filename().string());
    }
    // The picture books among them open (the other archives hold no pictures).
    for (const char* book :
         {"photobook.cbz", "photobook_lh5_level1.lzh", "photobook_utf8_names.cbz",
          "photobook_zip64_stored.cbz", "unrarjs_test_with_jpeg.rar"})
        EXPECT_NE(std::find(opened.begin(), opened.end(), book), opened.end()) << book;
}

TEST_F(BadInput, EveryFixtureFolderOpensAsABook)
{
    for (const std::string& path : listTree(work + "/fixtures", true))
        readBook(path);
}

TEST_F(BadInput, HostileFilesGetPlaceholdersOrMessages)
{
    const std::string h = work + "/hostile/";
    Outcome o = readBook(h + "zip_claims_4gib.zip");
    EXPECT_EQ(o.pages, 1);
    o = readBook(h + "ten_thousand_entries.zip");
    EXPECT_EQ(o.pages, 10000);
    o = readBook(h + "\xff\xfe-not-utf8.zip");
    EXPECT_EQ(o.pictures, 1);
    o = readBook(h + "odd_pages");
    EXPECT_EQ(o.pages, 7); // the good, FIFO, link, locked, folder, odd-named and empty pages
    readBook(h + "jpeg_60000.jpg");
    readBook(h + "png_bomb.png");
    // Pictures inside a folder book are decoded: the huge declarations become placeholders.
    readBook(h);
}

TEST_F(BadInput, EveryFolderBuildsACatalog)
{
    for (const std::string& folder : listTree(work, true))
        buildCatalog(folder);
    // The broken catalog file was treated as missing and replaced by a good one.
    std::ifstream catalog(work + "/hostile/negative_catalog/_$mekuri.bin", std::ios::binary);
    std::string head(20, '\0');
    catalog.read(&head[0], 20);
    EXPECT_EQ(head, std::string("mekuri catalog 0000\n"));
}

TEST_F(BadInput, PeakMemoryStaysBounded)
{
    const long peak = peakResidentKb();
    std::printf("peak resident memory: %ld kB\n", peak);
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 2L * 1024 * 1024); // 2 GiB: one 1 GiB picture at most, plus the cache
}

} // namespace
