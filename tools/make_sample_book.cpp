// Makes the sample book the README's run command opens: twelve numbered, coloured JPEG pages
// of different sizes in one ZIP archive.
//
//     make_sample_book OUTPUT.zip

#include <cstdio>
#include <string>

#include "BookMaker.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.zip\n", argv[0]);
        return 2;
    }
    const Rgb colours[12] = {{230, 80, 70},  {240, 160, 60}, {230, 210, 70},  {140, 200, 80},
                             {70, 180, 120}, {70, 190, 190}, {80, 140, 220},  {110, 100, 210},
                             {170, 90, 200}, {220, 90, 160}, {160, 160, 160}, {120, 90, 60}};
    std::vector<std::pair<std::string, std::vector<unsigned char>>> entries;
    for (int i = 0; i < 12; ++i) {
        // Pages of a few sizes, as scanned books have: most portrait, one double-width spread.
        int w = 700 + (i % 3) * 40;
        int h = 1000 + (i % 4) * 30;
        if (i == 7)
            w = 1400;
        RgbImage page(w, h, colours[i]);
        page.fillRect(20, 20, w - 40, 8, {255, 255, 255});
        page.fillRect(20, h - 28, w - 40, 8, {255, 255, 255});
        drawNumber(page, i + 1, w / 2, h / 2, h / 3, {255, 255, 255});
        char name[32];
        std::snprintf(name, sizeof name, "page%02d.jpg", i + 1);
        entries.emplace_back(name, encodeJpeg(page, 88));
    }
    if (!writeZip(argv[1], entries)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
