#pragma once

#include <FL/Fl_RGB_Image.H>

// The fit-mode icons, cut once per process from the program's 32 × 176 bitmap: five 32 × 32
// images at rows 0, 32, 64, 96, 128 and two 16 × 16 at row 160, columns 0 and 16. Null
// entries when the bitmap cannot be read. UI thread only; never freed.
struct ZoomIcons {
    Fl_RGB_Image* large[5] = {};
    Fl_RGB_Image* small[2] = {};
};

const ZoomIcons& zoomIcons();

// Converts a bottom-up BGR bitmap of `width` × `height` into top-down RGB rows of
// width × 3 bytes (what the toolkit's images take).
void bottomUpBgrToRgb(const unsigned char* bgr, int width, int height, unsigned char* rgb);

// The window icon (32 × 32), or null when the bitmap cannot be read.
Fl_RGB_Image* windowIcon();
