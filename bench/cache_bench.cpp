// Reading a book through the image cache: how long the view's draws wait for their pictures
// per page turn, with and without the background worker, and how much memory the process
// holds against cacheLimit.
//
//   cache_bench [pages=200] [turn period ms=300] [cacheLimit MB=64] [zoom %=45]
//
// The book is a temporary folder of JPEG pages (1200 × 1800). Each mode runs in a child
// process of its own, so that its peak resident size (VmHWM) is its own. Sizes are printed in
// MB of 1,000,000 bytes.

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/Bgr24.h"
#include "pipeline/CacheManager.h"
#include "pipeline/CacheWorker.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "tools/BookMaker.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPageWidth = 1200;
constexpr int kPageHeight = 1800;
// The main window prefetches the next spread 0.2 s after a turn; with faster turns the
// benchmark prefetches half-way through the period instead.
constexpr int kPrefetchDelayMs = 200;

struct Options {
    int pages = 200;
    int periodMs = 300;
    uint32_t limitBytes = 64000000;
    float zoom = 45.0f;
};

class BenchOwner : public CacheOwner {
  public:
    explicit BenchOwner(const std::string& folder) : book(folder)
    {
        filterPages(book.pages);
        sortPages(book.pages);
    }
    ImageOperatorWrapper* currentBook() override { return book.valid ? &book : nullptr; }
    int reductionQuality() const override { return 1; }
    ImageOperatorWrapper book;
};

std::string makeBook(int pages)
{
    char pattern[] = "/tmp/mekuri-bench-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (folder == nullptr)
        return std::string();
    for (int i = 0; i < pages; ++i) {
        RgbImage image(
            kPageWidth, kPageHeight,
            Rgb{static_cast<unsigned char>(i * 37), 200, static_cast<unsigned char>(i * 11)});
        image.fillRect(100, 100, kPageWidth - 200, kPageHeight - 200, Rgb{245, 240, 230});
        drawNumber(image, i + 1, kPageWidth / 2, kPageHeight / 2, 600, Rgb{20, 20, 20});
        char name[32];
        snprintf(name, sizeof name, "/p%04d.jpg", i);
        writeFile(std::string(folder) + name, encodeJpeg(image, 85));
    }
    return folder;
}

void removeBook(const std::string& folder, int pages)
{
    for (int i = 0; i < pages; ++i) {
        char name[32];
        snprintf(name, sizeof name, "/p%04d.jpg", i);
        unlink((folder + name).c_str());
    }
    rmdir(folder.c_str());
}

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"), or -1.
long statusKb(const char* field)
{
    FILE* file = fopen("/proc/self/status", "r");
    if (file == nullptr)
        return -1;
    char line[256];
    long value = -1;
    const size_t length = strlen(field);
    while (fgets(line, sizeof line, file) != nullptr) {
        if (strncmp(line, field, length) == 0 && line[length] == ':') {
            value = strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    fclose(file);
    return value;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
    return values[index];
}

// The view's draw of one spread: both pictures asked for, painted (here: touched), given back.
double drawSpread(CacheManager& cache, int first, int pageCount, float zoom)
{
    const Clock::time_point start = Clock::now();
    std::vector<CacheObject*> shown;
    for (int page = first; page < std::min(first + 2, pageCount); ++page) {
        if (CacheObject* picture = cache.prepareEntry(SCALEDIMG, page, 1.0f, 0.0f, zoom))
            shown.push_back(picture);
    }
    const double waited = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    for (CacheObject* picture : shown)
        cache.release(picture);
    return waited;
}

void runMode(const std::string& folder, const Options& options, bool withWorker)
{
    const long baselineKb = statusKb("VmRSS");
    cacheLimit = options.limitBytes;
    BenchOwner owner(folder);
    const int pageCount = static_cast<int>(owner.book.pages.size());
    CacheManager cache(&owner);
    WorkerBlock worker;
    if (withWorker)
        startWorker(worker, cache);
    cache.openCache();

    std::vector<double> waits;
    uint64_t peakCache = 0;
    printf("\n== %s: %d pages of %dx%d at %.0f %%, a spread every %d ms, cacheLimit %u bytes\n",
           withWorker ? "with the worker" : "without the worker", pageCount, kPageWidth,
           kPageHeight, options.zoom, options.periodMs, options.limitBytes);
    Clock::time_point turn = Clock::now();
    for (int first = 0; first < pageCount; first += 2) {
        const double waited = drawSpread(cache, first, pageCount, options.zoom);
        waits.push_back(waited);
        const uint64_t inUse = cache.memoryInUse();
        peakCache = std::max(peakCache, inUse);
        printf("turn %3d  pages %3d-%3d  waited %8.3f ms  cache %7.1f MB  rss %7.1f MB\n",
               first / 2, first, first + 1, waited, inUse / 1e6, statusKb("VmRSS") * 1024 / 1e6);
        const int delay = std::min(kPrefetchDelayMs, options.periodMs / 2);
        std::this_thread::sleep_until(turn + std::chrono::milliseconds(delay));
        for (int page = first + 2; page < std::min(first + 4, pageCount); ++page)
            cache.requestChain(CacheKey{SCALEDIMG, page, 1.0f, 0.0f, options.zoom});
        turn += std::chrono::milliseconds(options.periodMs);
        std::this_thread::sleep_until(turn);
    }
    stopWorker(worker);

    std::vector<double> settled(waits.begin() + std::min<size_t>(2, waits.size()), waits.end());
    const double spreadMb = 2.0 *
                            (pictureBytes(kPageWidth, kPageHeight) +
                             pictureBytes(static_cast<int>(kPageWidth * options.zoom / 100),
                                          static_cast<int>(kPageHeight * options.zoom / 100))) /
                            1e6;
    const long peakKb = statusKb("VmHWM");
    printf("-- %s: wait per turn median %.3f ms (after the first two turns %.3f ms), "
           "p90 %.3f ms, max %.3f ms\n",
           withWorker ? "with the worker" : "without the worker", percentile(waits, 0.5),
           percentile(settled, 0.5), percentile(waits, 0.9), percentile(waits, 1.0));
    printf("-- peak resident (VmHWM) %.1f MB, %.1f MB above the start (%.1f MB); cache "
           "accounting peak %.1f MB; cacheLimit %.1f MB; one spread (raw + scaled) %.1f MB\n",
           peakKb * 1024 / 1e6, (peakKb - baselineKb) * 1024 / 1e6, baselineKb * 1024 / 1e6,
           peakCache / 1e6, options.limitBytes / 1e6, spreadMb);
    cache.clearAll();
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (argc > 1)
        options.pages = std::max(2, atoi(argv[1]));
    if (argc > 2)
        options.periodMs = std::max(1, atoi(argv[2]));
    if (argc > 3)
        options.limitBytes = static_cast<uint32_t>(std::max(1, atoi(argv[3]))) * 1000000u;
    if (argc > 4)
        options.zoom = static_cast<float>(atof(argv[4]));

    printf("making %d pages...\n", options.pages);
    fflush(stdout);
    const std::string folder = makeBook(options.pages);
    if (folder.empty())
        return 1;
    // Trace lines go to standard error; the figures to standard output.
    for (bool withWorker : {false, true}) {
        fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            runMode(folder, options, withWorker);
            fflush(stdout);
            _exit(0);
        }
        int status = 0;
        if (child > 0)
            waitpid(child, &status, 0);
    }
    removeBook(folder, options.pages);
    return 0;
}
