#pragma once

#include "plugins/image/Bitmap24.h"

// GIF through giflib: the first frame only, with its own or the global palette. The picture
// is the logical screen (grown to hold the frame if the screen is declared smaller); what the
// frame does not cover and its transparent colour show white. Any thread.

bool isGif(const EncodedPicture& picture);
int gifSize(const EncodedPicture& picture, int* width, int* height);
// Decodes the first frame into `out`; a frame cut short, a frame without any palette, or a
// screen above the 1 GiB limit fails.
int gifDecode(const EncodedPicture& picture, Bitmap24& out, const Progress& progress);
