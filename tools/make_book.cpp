// Makes a test book of solid-colour JPEG pages, as a folder or a ZIP archive.
//
//     make_book [--zip] [--gray] OUTPUT WIDTHxHEIGHT#RRGGBB ...
//
// Pages are named page01.jpg, page02.jpg, … in the order given; each is filled with its
// colour and carries its number in white, unless the colour is white.

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BookMaker.h"

namespace {

bool parsePage(const char* text, int& w, int& h, Rgb& colour)
{
    unsigned rgb = 0;
    if (std::sscanf(text, "%dx%d#%6x", &w, &h, &rgb) != 3 || w <= 0 || h <= 0)
        return false;
    colour = {static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
              static_cast<unsigned char>(rgb)};
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bool zip = false, gray = false, numbers = true;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        if (!std::strcmp(argv[i], "--zip"))
            zip = true;
        else if (!std::strcmp(argv[i], "--gray"))
            gray = true;
        else if (!std::strcmp(argv[i], "--plain"))
            numbers = false;
    }
    if (argc - i < 2) {
        std::fprintf(stderr, "usage: %s [--zip] [--gray] [--plain] OUTPUT WxH#RRGGBB ...\n",
                     argv[0]);
        return 2;
    }
    const std::string output = argv[i++];
    std::vector<std::pair<std::string, std::vector<unsigned char>>> pages;
    for (int n = 1; i < argc; ++i, ++n) {
        int w, h;
        Rgb colour;
        if (!parsePage(argv[i], w, h, colour)) {
            std::fprintf(stderr, "bad page %s\n", argv[i]);
            return 2;
        }
        RgbImage page(w, h, colour);
        if (numbers)
            drawNumber(page, n, w / 2, h / 2, std::max(8, h / 4), {255, 255, 255});
        char name[32];
        std::snprintf(name, sizeof name, "page%02d.jpg", n);
        pages.emplace_back(name, encodeJpeg(page, 92, gray));
    }
    if (zip)
        return writeZip(output, pages) ? 0 : 1;
    mkdir(output.c_str(), 0755);
    for (const auto& page : pages) {
        if (!writeFile(output + "/" + page.first, page.second))
            return 1;
    }
    return 0;
}
