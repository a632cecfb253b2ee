// Catalog building speed: a folder of 200 archives whose first pages are 2000 × 3000 JPEGs.
// Prints the archives made per second by the catalog's thumbnail step, the time to reopen the
// folder from its catalog file, and, for comparison in the same run, `vipsthumbnail -s 128`
// over the same 200 first pages extracted to a folder.
//
//     catalog_bench [ARCHIVES]     (default 200)
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalog/CatalogBuild.h"
#include "catalog/CatalogFile.h"
#include "pipeline/PluginRegistry.h"
#include "platform/FileOps.h"
#include "tools/BookMaker.h"

namespace {

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A page with smooth gradients, blocks and a number, so it compresses like a scan rather than
// a flat colour.
std::vector<unsigned char> firstPage(int n)
{
    RgbImage image(2000, 3000, {240, 236, 228});
    for (int y = 0; y < 3000; y += 50) {
        const auto shade = static_cast<unsigned char>(120 + (y * 7 + n * 13) % 120);
        image.fillRect(0, y, 2000, 25, {shade, static_cast<unsigned char>(shade / 2), 90});
    }
    for (int i = 0; i < 40; ++i)
        image.fillRect((i * 97 + n * 31) % 1800, (i * 211 + n * 17) % 2800, 150, 120,
                       {static_cast<unsigned char>(i * 6), 60, static_cast<unsigned char>(n)});
    drawNumber(image, n + 1, 1000, 1500, 600, {255, 255, 255});
    return encodeJpeg(image, 88);
}

std::string makeTempFolder(const char* stem)
{
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    return made ? made : "";
}

// Runs a shell command; its exit status (-1 when it could not run).
int shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return status == -1 ? -1 : WEXITSTATUS(status);
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    loadPluginsFrom(MEKURI_BIN_DIR_FOR_PLUGINS);
    const std::string shelf = makeTempFolder("catalog-bench");
    const std::string pages = makeTempFolder("catalog-bench-pages");
    const std::string thumbs = makeTempFolder("catalog-bench-thumbs");
    if (shelf.empty() || pages.empty() || thumbs.empty()) {
        std::fprintf(stderr, "cannot make the work folders\n");
        return 1;
    }
    std::printf("making %d archives (first page 2000x3000 JPEG) in %s\n", count, shelf.c_str());
    size_t bytes = 0;
    const std::vector<unsigned char> second = encodeJpeg(RgbImage(2000, 3000, {200, 200, 200}), 88);
    for (int n = 0; n < count; ++n) {
        const std::vector<unsigned char> jpeg = firstPage(n);
        bytes += jpeg.size();
        char name[64];
        std::snprintf(name, sizeof name, "book%03d", n);
        writeZip(joinPath(shelf, std::string(name) + ".zip"),
                 {{"p001.jpg", jpeg}, {"p002.jpg", second}}, true);
        writeFile(joinPath(pages, std::string(name) + ".jpg"), jpeg);
    }
    std::printf("first pages: %.1f KB on average\n", bytes / 1024.0 / count);

    // Building: load (no file yet), synchronise, then one thumbnail step at a time.
    CatalogModel model;
    model.folderPath = shelf;
    auto start = std::chrono::steady_clock::now();
    const int missing = loadAndSyncCatalog(model);
    int next = 0;
    int made = 0;
    ThumbnailResult result;
    for (;;) {
        const ThumbnailStep step = thumbnailStep(model, next, false, nullptr, &result, nullptr);
        if (step == ThumbnailStep::End)
            break;
        if (step == ThumbnailStep::Made && result.fromPage)
            ++made;
    }
    const double build = seconds(start);
    saveCatalog(model, nullptr);
    std::printf("catalog build: %d of %d thumbnails from pages in %.2f s = %.1f archives/s\n", made,
                missing, build, count / build);

    // Reopening: the catalog file holds every thumbnail; only a status read per archive.
    CatalogModel again;
    again.folderPath = shelf;
    start = std::chrono::steady_clock::now();
    const int stillMissing = loadAndSyncCatalog(again);
    const double reopen = seconds(start);
    std::printf("reopen with catalog file: %d entries, %d without thumbnail, %.3f s\n",
                static_cast<int>(again.entries.size()), stillMissing, reopen);

    // The same first pages through vipsthumbnail, one process over all of them.
    if (shell("command -v vipsthumbnail > /dev/null 2>&1") != 0) {
        std::printf("vipsthumbnail: not installed (Debian package libvips-tools)\n");
    } else {
        start = std::chrono::steady_clock::now();
        const int status =
            shell("vipsthumbnail -s 128 -o '" + thumbs + "/%s.jpg' '" + pages + "'/*.jpg");
        const double vips = seconds(start);
        std::printf("vipsthumbnail -s 128: %d pages in %.2f s = %.1f pages/s (exit %d)\n", count,
                    vips, count / vips, status);
        std::printf("catalog / vipsthumbnail speed: %.2f\n", vips / build);
    }
    shell("rm -rf '" + shelf + "' '" + pages + "' '" + thumbs + "'");
    unloadPlugins();
    return 0;
}
