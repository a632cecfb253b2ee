#pragma once

#include "plugins/image/Bitmap24.h"

// Windows and OS/2 bitmaps, decoded here: 1, 2, 4 and 8-bit palettes (8 and 4-bit also
// run-length encoded), 16 and 32-bit with or without bit fields (an alpha mask is composited
// over white unless every alpha value is zero), 24-bit; bottom-up or top-down; the OS/2 1.x,
// Windows 3 and V2 to V5 headers. Bitmaps holding a JPEG or PNG, and OS/2 Huffman or RLE24
// ones, are refused. Pixels a run-length bitmap skips are white. Any thread.

bool isBmp(const EncodedPicture& picture);
int bmpSize(const EncodedPicture& picture, int* width, int* height);
int bmpDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress);
