// Reading a solid 7z book page by page through the archive plug-in, against 7-Zip itself.
//
// Makes a book of JPEG pages (default 300 pages of 1200 x 1800), packs it with
// `7z a -ms=on` (one solid block), then times:
//   - the plug-in: GetArchiveInfo, then GetFile for every page in reading order;
//   - `7z x` of the whole archive to a temporary folder, and `7z x -so` to /dev/null;
//   - the naive way for contrast: every page read by a reader started afresh (the plug-in
//     is made to reopen by asking for page 0 before each page), over the first N pages.
// Usage: solid7z_bench [pages] [naive-pages]
#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "plugins/SpiAbi.h"
#include "tools/BookMaker.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Record {
    std::string name;
    uint32_t position;
    uint32_t size;
};

// A page that looks like a scan: paper-coloured with grain, a dark block of "text", a number.
std::vector<unsigned char> makePage(int number, int width, int height)
{
    RgbImage page(width, height, Rgb{235, 230, 220});
    std::mt19937 random(static_cast<unsigned>(number));
    for (size_t i = 0; i < page.pixels.size(); ++i)
        page.pixels[i] = static_cast<unsigned char>(page.pixels[i] - (random() & 15));
    for (int line = 0; line < 30; ++line)
        page.fillRect(100, 200 + line * 45, 300 + static_cast<int>(random() % 700), 18,
                      Rgb{40, 40, 40});
    drawNumber(page, number, width / 2, height - 120, 80, Rgb{20, 20, 120});
    return encodeJpeg(page, 85);
}

int run(const std::string& command)
{
    return std::system(command.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const int pages = argc > 1 ? std::atoi(argv[1]) : 300;
    const int naivePages = argc > 2 ? std::atoi(argv[2]) : 100;
    char pattern[] = "/tmp/mekuri-solid7z-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string dir = pattern;
    const std::string pagesDir = dir + "/pages", archive = dir + "/book.7z";
    mkdir(pagesDir.c_str(), 0755);

    auto start = Clock::now();
    size_t total = 0;
    for (int i = 1; i <= pages; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/page%04d.jpg", i);
        const auto jpeg = makePage(i, 1200, 1800);
        total += jpeg.size();
        writeFile(pagesDir + name, jpeg);
    }
    std::printf("made %d pages, %.1f MB of JPEG, in %.1f s\n", pages, total / 1e6,
                secondsSince(start));
    start = Clock::now();
    if (run("cd " + pagesDir + " && 7z a -t7z -ms=on " + archive + " . >/dev/null") != 0) {
        std::printf("7z a failed (is p7zip-full installed?)\n");
        return 1;
    }
    struct stat st;
    stat(archive.c_str(), &st);
    std::printf("packed solid 7z: %.1f MB in %.1f s\n", st.st_size / 1e6, secondsSince(start));

    void* plugin = dlopen(MEKURI_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (plugin == nullptr) {
        std::printf("cannot load %s: %s\n", MEKURI_PLUGIN_PATH, dlerror());
        return 1;
    }
    auto getArchiveInfo = reinterpret_cast<GetArchiveInfoFn>(dlsym(plugin, "GetArchiveInfo"));
    auto getFile = reinterpret_cast<GetFileFn>(dlsym(plugin, "GetFile"));

    start = Clock::now();
    void* block = nullptr;
    if (getArchiveInfo(archive.c_str(), 0, 0, &block) != 0)
        return 1;
    std::vector<Record> records;
    for (auto* r = static_cast<SpiFileInfo*>(block); r->method[0] != 0; ++r)
        records.push_back({std::string(r->path) + r->filename, r->position, r->filesize});
    std::free(block);
    std::sort(records.begin(), records.end(),
              [](const Record& a, const Record& b) { return a.name < b.name; });
    const double listSeconds = secondsSince(start);
    size_t bytes = 0;
    for (const Record& r : records) {
        void* page = nullptr;
        if (getFile(archive.c_str(), r.position, &page, SPI_FILE_TO_MEMORY, nullptr, 0) != 0) {
            std::printf("GetFile(%s) failed\n", r.name.c_str());
            return 1;
        }
        bytes += r.size;
        std::free(page);
    }
    const double pluginSeconds = secondsSince(start);
    std::printf("plug-in: listed %zu pages in %.3f s; listed and read all (%.1f MB) in %.3f s\n",
                records.size(), listSeconds, bytes / 1e6, pluginSeconds);

    start = Clock::now();
    run("mkdir -p " + dir + "/out && cd " + dir + "/out && 7z x -y " + archive + " >/dev/null");
    const double extractSeconds = secondsSince(start);
    start = Clock::now();
    run("7z x -so " + archive + " >/dev/null 2>&1");
    const double pipeSeconds = secondsSince(start);
    std::printf("7z x to a folder: %.3f s; 7z x -so to /dev/null: %.3f s\n", extractSeconds,
                pipeSeconds);
    std::printf("plug-in / 7z x = %.2f; plug-in / 7z x -so = %.2f\n",
                pluginSeconds / extractSeconds, pluginSeconds / pipeSeconds);

    if (naivePages > 0) {
        const int n = std::min<int>(naivePages, static_cast<int>(records.size()));
        start = Clock::now();
        for (int i = 0; i < n; ++i) {
            void* page = nullptr;
            // Asking for the first page puts the reader back at the start, as a reader opened
            // afresh for every page would be.
            getFile(archive.c_str(), records[0].position, &page, SPI_FILE_TO_MEMORY, nullptr, 0);
            std::free(page);
            page = nullptr;
            getFile(archive.c_str(), records[i].position, &page, SPI_FILE_TO_MEMORY, nullptr, 0);
            std::free(page);
        }
        std::printf("naive (restart per page), first %d pages: %.3f s\n", n, secondsSince(start));
    }
    dlclose(plugin);
    run("rm -rf " + dir);
    return 0;
}
