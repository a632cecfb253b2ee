#pragma once

#include <cstddef>

// The program's compiled-in art. The bytes are static and never freed.
struct ResourceBytes {
    const unsigned char* data;
    size_t size;
};

ResourceBytes iconResource();      // 32 x 32 window icon (BMP file)
ResourceBytes zoomModesResource(); // 32 x 176 fit-mode icon strip (BMP file)
ResourceBytes noImageResource();   // 128 x 128 catalog placeholder (BMP file)

// A 24-bit uncompressed BMP file seen in place: its size and its bottom-up BGR rows
// (row stride (width × 3 + 3) rounded down to a multiple of 4).
struct BmpView {
    int width = 0;
    int height = 0;
    const unsigned char* pixels = nullptr;
};

// Checks the file's headers; false when it is not a 24-bit bottom-up uncompressed BMP whose
// pixels lie within `bytes`.
bool viewBmp24(ResourceBytes bytes, BmpView& view);
