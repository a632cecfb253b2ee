// Speed of preparing one page for a monochrome printer: a 1500 × 2100 colour picture turned
// grey, enlarged to the printable area of A4 at 600 dpi, and binarised by each method.

#include <chrono>
#include <cstdio>
#include <vector>

#include "imaging/Dither.h"
#include "imaging/GrayImage.h"

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main()
{
    const int w = 1500, h = 2100;
    std::vector<unsigned char> picture(rowStride(w) * h);
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &picture[row * rowStride(w) + x * 3];
            p[0] = static_cast<unsigned char>(x * 255 / w);
            p[1] = static_cast<unsigned char>(row * 255 / h);
            p[2] = static_cast<unsigned char>((x ^ row) & 0xFF);
        }
    auto start = std::chrono::steady_clock::now();
    GrayImage gray;
    if (!bgrToGray(picture.data(), w, h, gray))
        return 1;
    std::printf("grey %dx%d: %.1f ms\n", w, h, millisecondsSince(start));

    start = std::chrono::steady_clock::now();
    GrayImage page;
    if (!resizeGray(gray, 4582, 6415, page))
        return 1;
    std::printf("bicubic to %dx%d: %.1f ms\n", page.width, page.height, millisecondsSince(start));

    const char* names[] = {"",       "Floyd-Steinberg", "Jarvis-Judice-Ninke",
                           "Stucki", "Bayer 8x8",       "threshold"};
    for (int method = DITHER_FLOYD_STEINBERG; method <= DITHER_THRESHOLD; ++method) {
        start = std::chrono::steady_clock::now();
        BitImage bits;
        if (!ditherGray(page, method, bits))
            return 1;
        std::printf("%-20s %.1f ms\n", names[method], millisecondsSince(start));
    }
    return 0;
}
