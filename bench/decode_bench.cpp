// Decoding speed of JPEG pages: the full decode through get_image against djpeg on the same
// files, and catalog thumbnails through get_thumbnail against a full decode plus scaleImage.
//
//   decode_bench [FOLDER] [ROUNDS]
//
// Without a folder, eight 2000 × 3000 pages with photo-like detail are written to a temporary
// folder first. Every figure is the best of ROUNDS (default 3) passes over all files, in source
// megapixels per second.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/Bgr24.h"
#include "pipeline/Decoders.h"
#include "pipeline/FolderList.h"
#include "tools/BookMaker.h"

namespace {

struct Page {
    std::string path;
    std::string name;
    std::vector<unsigned char> bytes;
    int width = 0;
    int height = 0;
};

// Something like a scanned page: paper with a faint grain, smooth tones, and dark ink lines
// and lettering, so the file carries about as much detail per pixel as a scan does.
RgbImage scannedLike(int width, int height, unsigned seed)
{
    RgbImage image(width, height, Rgb{0, 0, 0});
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int grain = static_cast<int>((state >> 16) & 3) - 2;
            const double fx = x / double(width), fy = y / double(height);
            const int tone = int(60 * std::sin(fx * 7 + seed) * std::cos(fy * 5));
            const bool ink = (x + 3 * y / 2) % 97 < 3 || (3 * x + y) % 151 < 2 ||
                             ((x / 24) % 5 == 0 && (y / 30) % 7 < 3 && y % 30 < 20);
            unsigned char* p = &image.pixels[(size_t(y) * width + x) * 3];
            const int base = ink ? 25 : 225;
            p[0] = static_cast<unsigned char>(std::clamp(base + tone + grain, 0, 255));
            p[1] = static_cast<unsigned char>(std::clamp(base + tone / 2 + grain, 0, 255));
            p[2] = static_cast<unsigned char>(std::clamp(base - tone / 3 + grain, 0, 255));
        }
    }
    return image;
}

std::string makeSampleFolder()
{
    char pattern[] = "/tmp/mekuri-decode-bench-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (folder == nullptr)
        return std::string();
    std::printf("writing 8 pages of 2000 x 3000 to %s\n", folder);
    for (unsigned i = 0; i < 8; ++i) {
        const std::string path = std::string(folder) + "/page" + std::to_string(i + 1) + ".jpg";
        writeFile(path, encodeJpeg(scannedLike(2000, 3000, i + 1), 90));
    }
    return folder;
}

std::vector<Page> loadPages(const std::string& folder)
{
    std::vector<FolderName> names;
    std::vector<Page> pages;
    if (!listFolder(folder, names))
        return pages;
    for (const FolderName& entry : names) {
        if (entry.isFolder || !isJpegName(entry.name))
            continue;
        Page page;
        page.path = folder + "/" + entry.name;
        page.name = entry.name;
        page.bytes = readFile(page.path);
        if (get_image_info(page.bytes.size(), page.name, &page.width, &page.height,
                           page.bytes.data()) == 0)
            pages.push_back(std::move(page));
    }
    return pages;
}

double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs every measurement once per round, one after the other, so that a busy moment of the
// machine weighs on all of them alike; each keeps its best round.
std::vector<double> bestOfInterleaved(int rounds, const std::vector<std::function<void()>>& works)
{
    std::vector<double> best(works.size(), 1e30);
    for (int r = 0; r < rounds; ++r) {
        for (size_t i = 0; i < works.size(); ++i)
            best[i] = std::min(best[i], seconds(works[i]));
    }
    return best;
}

// Trace lines of every decode would flood the terminal: standard error is muted while timing.
class MutedTraces {
  public:
    MutedTraces() : saved_(dup(STDERR_FILENO))
    {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    ~MutedTraces()
    {
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }

  private:
    int saved_;
};

} // namespace

int main(int argc, char** argv)
{
    const bool madeHere = argc <= 1 || argv[1][0] == '\0';
    const std::string folder = madeHere ? makeSampleFolder() : std::string(argv[1]);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::vector<Page> pages;
    {
        MutedTraces muted;
        pages = loadPages(folder);
    }
    if (pages.empty()) {
        std::fprintf(stderr, "no JPEG pages in %s\n", folder.c_str());
        return 1;
    }
    double megapixels = 0;
    for (const Page& page : pages)
        megapixels += page.width * double(page.height) / 1e6;
    std::printf("%zu pages, %.1f megapixels, best of %d rounds\n", pages.size(), megapixels,
                rounds);
    std::fflush(stdout);

    int failures = 0;
    double full, djpeg, thumbs, fullThumbs, startUp;
    {
        MutedTraces muted;
        const auto fullDecode = [&] {
            for (const Page& page : pages) {
                int w, h;
                std::unique_ptr<unsigned char[]> pixels;
                failures +=
                    !get_image(&w, &h, pixels, page.name, page.bytes.data(), page.bytes.size());
            }
        };
        // djpeg's own start-up, measured on a tiny picture, is taken off its figure.
        const std::string tiny = "/tmp/mekuri-decode-bench-tiny.jpg";
        writeFile(tiny, encodeJpeg(RgbImage(16, 16, Rgb{1, 2, 3})));
        const auto djpegStartUp = [&] {
            for (size_t i = 0; i < pages.size(); ++i)
                failures += std::system(("djpeg -outfile /dev/null " + tiny).c_str()) != 0;
        };
        const auto djpegDecode = [&] {
            for (const Page& page : pages) {
                const std::string command = "djpeg -outfile /dev/null '" + page.path + "'";
                failures += std::system(command.c_str()) != 0;
            }
        };
        std::vector<unsigned char> cell(128 * 384);
        const auto thumbnails = [&] {
            for (const Page& page : pages) {
                int16_t w, h, x, y;
                failures += !get_thumbnail(&w, &h, &x, &y, cell.data(), page.bytes.data(),
                                           page.bytes.size(), page.name);
            }
        };
        const auto decodeAndScale = [&] {
            for (const Page& page : pages) {
                int w, h;
                std::unique_ptr<unsigned char[]> pixels;
                if (!get_image(&w, &h, pixels, page.name, page.bytes.data(), page.bytes.size())) {
                    ++failures;
                    continue;
                }
                const int tw = w >= h ? 128 : std::max(1, w * 128 / h);
                const int th = w >= h ? std::max(1, h * 128 / w) : 128;
                scaleImage(pixels.get(), w, h, tw, th, cell.data(), 1);
            }
        };
        const std::vector<double> best = bestOfInterleaved(
            rounds, {fullDecode, djpegDecode, thumbnails, decodeAndScale, djpegStartUp});
        unlink(tiny.c_str());
        full = best[0];
        djpeg = best[1];
        thumbs = best[2];
        fullThumbs = best[3];
        startUp = best[4];
    }

    std::printf("full decode, get_image        %8.1f MP/s  (%.3f s)\n", megapixels / full, full);
    std::printf("full decode, djpeg (process)  %8.1f MP/s  (%.3f s)  get_image/djpeg time %.2f\n",
                megapixels / djpeg, djpeg, full / djpeg);
    const double djpegOnly = std::max(1e-6, djpeg - startUp);
    std::printf("  less djpeg start-up %.3f s  %8.1f MP/s  (%.3f s)  get_image/djpeg time %.2f\n",
                startUp, megapixels / djpegOnly, djpegOnly, full / djpegOnly);
    std::printf("thumbnail, get_thumbnail      %8.1f MP/s  (%.3f s)\n", megapixels / thumbs,
                thumbs);
    std::printf("thumbnail, decode + scale     %8.1f MP/s  (%.3f s)  speed-up %.1fx\n",
                megapixels / fullThumbs, fullThumbs, fullThumbs / thumbs);
    if (failures != 0)
        std::printf("%d decodes failed\n", failures);
    if (madeHere) {
        for (const Page& page : pages)
            unlink(page.path.c_str());
        rmdir(folder.c_str());
    }
    return failures == 0 ? 0 : 1;
}
