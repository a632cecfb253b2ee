#pragma once

#include <cstdint>
#include <vector>

#include "plugins/image/Bitmap24.h"

// What the file and information headers of a bitmap say, checked against the file's size.
struct BmpHeader {
    enum Compression : uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };
    struct Colour {
        unsigned char r, g, b;
    };

    size_t pixelOffset = 0; // where the pixel data starts
    int width = 0;
    int height = 0; // always positive; `topDown` tells the row order
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = Rgb;
    uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha (16 and 32 bits)
    std::vector<Colour> palette;      // 1 to 8 bits
};

// Reads and checks the headers: SPI_OK, or SPI_UNKNOWN_FORMAT / SPI_BROKEN_DATA for what this
// reader does not take. Pure function, any thread.
int readBmpHeader(const EncodedPicture& picture, BmpHeader& header);
