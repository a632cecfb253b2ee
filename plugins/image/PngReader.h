#pragma once

#include "plugins/image/Bitmap24.h"

// PNG through libpng: every colour type and depth (palette, grey, 16-bit, interlaced);
// transparency is composited over white; no gamma correction. Any thread.

bool isPng(const EncodedPicture& picture);
// The picture's size from its header. SPI_OK or a failure code.
int pngSize(const EncodedPicture& picture, int* width, int* height);
// Decodes into `out`. Pictures above the 1 GiB limit (for an interlaced one, also its 4-byte
// work buffer) fail before any picture-sized allocation; ancillary chunks are capped at 8 MB
// decompressed, so a compressed-text bomb fails too.
int pngDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress);
