#pragma once

#include "plugins/image/Bitmap24.h"

// TIFF through libtiff's RGBA interface: the first page, any photometric interpretation and
// compression libtiff can turn into RGBA (including JPEG, CCITT, palettes, CMYK, 16-bit);
// alpha composited over white. Any thread.

bool isTiff(const EncodedPicture& picture);
int tiffSize(const EncodedPicture& picture, int* width, int* height);
// Fails on pictures whose 4-byte-per-pixel work buffer would exceed 1 GiB; libtiff's own
// allocations are capped at 1 GiB each.
int tiffDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress);
