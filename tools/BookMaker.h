#pragma once

#include <string>
#include <utility>
#include <vector>

// Helpers that make test books: JPEG pages of known colours, numbers drawn on them, ZIP
// archives. Used by the sample-book generator, the tests and the benchmarks; not part of the
// program itself.

struct Rgb {
    unsigned char r, g, b;
};

// A top-down RGB picture in memory.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels; // width × height × 3, top row first

    RgbImage() = default;
    RgbImage(int w, int h, Rgb fill);
    void fillRect(int x, int y, int w, int h, Rgb colour);
    Rgb at(int x, int y) const;
};

// Draws decimal `number` with blocky seven-segment digits `digitHeight` pixels high,
// centred on (cx, cy).
void drawNumber(RgbImage& image, int number, int cx, int cy, int digitHeight, Rgb colour);

// Encodes as a baseline JPEG (quality 0–100), or a progressive one with libjpeg's usual scan
// script (DC first, AC later). `gray` writes a one-channel JPEG from the red channel. Returns
// the bytes, empty on failure.
std::vector<unsigned char> encodeJpeg(const RgbImage& image, int quality = 90, bool gray = false,
                                      bool progressive = false);
bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> readFile(const std::string& path);

// Writes a ZIP archive with the given (name, bytes) entries, deflated unless `store`.
// `utf8Flag` marks the names as UTF-8 in the entry headers.
bool writeZip(const std::string& path,
              const std::vector<std::pair<std::string, std::vector<unsigned char>>>& entries,
              bool store = false, bool utf8Flag = false);
