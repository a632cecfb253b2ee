#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Page decoding: encoded bytes → BGR24 picture (see Bgr24.h), through the image plug-in that
// claims the page's name or, for *.jpg / *.jpeg, the built-in JPEG codec. Any thread; calls
// into one plug-in are serialised by its lock, JPEG decodes need no lock.

// Decodes `size` bytes into a new picture owned by the caller. 1 on success, 0 on failure
// (including the 10-byte "DUMMYFILE" placeholder and pictures past the size cap).
int get_image(int* width, int* height, std::unique_ptr<unsigned char[]>& pixels,
              const std::string& name, const unsigned char* block, size_t size);

// Reads the picture's size without decoding it. 0 on success, 1 on failure.
int get_image_info(size_t size, const std::string& name, int* width, int* height,
                   const unsigned char* block);

// Decodes (JPEG at a reduced size where possible) and fits the picture into a 128 × 128 cell:
// the thumbnail's size, the offsets that centre it in the cell, and its rows (its own row
// stride, bottom-up) at the start of `destination`, which holds 128 × 384 bytes. 1 on success.
int get_thumbnail(int16_t* width, int16_t* height, int16_t* offsetX, int16_t* offsetY,
                  unsigned char* destination, const unsigned char* block, size_t size,
                  const std::string& name);

// Decodes the page the way get_thumbnail does (JPEG at a reduced size where both sides stay at
// least `cellSide` pixels, other formats through their image plug-in) and fits the picture into
// a cellSide × cellSide square, keeping its proportions: the longer side becomes cellSide, the
// other is rounded down and kept at least 1. With `enlarge` false a picture already inside the
// square keeps its own size. The thumbnail is a new BGR24 picture owned by the caller. 1 on
// success; 0 when the page cannot be decoded or cellSide is not positive. Any thread.
int get_thumbnail_fitted(int cellSide, bool enlarge, const unsigned char* block, size_t size,
                         const std::string& name, int* width, int* height,
                         std::unique_ptr<unsigned char[]>& pixels);

// True for the names the built-in codec decodes: *.[Jj][Pp][Gg] and *.[Jj][Pp][Ee][Gg].
bool isJpegName(const std::string& name);

// The DCT scale 1/n (n = 1, 2, 4 or 8) at which a thumbnail of a width × height JPEG is
// decoded: the largest n at which both sides, rounded up, stay at least cellSide pixels.
int thumbnailDenominator(int width, int height, int cellSide = 128);

// Resamples a source picture into a caller-allocated destination picture. Without high quality
// the resampling is bilinear; with it, bicubic when enlarging in either direction, area
// averaging otherwise.
void scaleImage(const unsigned char* source, int sourceWidth, int sourceHeight,
                int destinationWidth, int destinationHeight, unsigned char* destination,
                int highQuality);
