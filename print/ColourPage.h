#pragma once

// Whether a page picture holds colour, decided from a sample of its pixels so that a large
// page is judged quickly: the first pixel, both diagonals (Bresenham along the longer side,
// each point with its mirror across the vertical centre line), the rows at 15 % from the top
// and the bottom and the columns at 15 % from either side. A pixel is grey when its blue,
// green and red bytes are equal. Any thread; reads only.

// `pixels` is a BGR24 picture (bottom-up, rows padded to 4 bytes) of width × height. False
// for an empty or null picture.
bool isColourPage(const unsigned char* pixels, int width, int height);
