#pragma once

#include <string>

// Writing a picture as a PNG file (8-bit RGB) with libpng. Any thread.

// Writes the BGR24 picture (see pipeline/Bgr24.h: bottom-up rows, padded to 4 bytes) to
// `path`. The file is written beside `path` under a temporary name and renamed over it only
// when complete, so `path` is either the whole new picture or left as it was; the file is
// readable by its owner only, as thumbnails should be. Returns an empty text on success, else
// why it failed.
std::string writePng(const std::string& path, int width, int height, const unsigned char* pixels);
