#pragma once

#include "plugins/image/Bitmap24.h"

// WebP through libwebp: lossy, lossless, with alpha (composited over white); of an animation,
// the first frame on its canvas (what it does not cover shows white). Any thread.

bool isWebp(const EncodedPicture& picture);
int webpSize(const EncodedPicture& picture, int* width, int* height);
int webpDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress);
