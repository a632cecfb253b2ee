#pragma once

#include <cstddef>
#include <memory>
#include <string>

// The built-in JPEG codec on libjpeg-turbo: reads a JPEG held in memory and decodes it, whole
// or DCT-scaled to 1/2, 1/4 or 1/8, straight into a BGR24 picture (blue, green, red; rows
// bottom-up; each row padded to a multiple of 4 bytes). Every call sets up its own codec
// state, so any thread may decode at the same time without a lock. Corrupt input never ends
// the process: it comes back as a status.

enum class JpegStatus {
    Ok,
    InitFailed,  // the codec state could not be set up (memory)
    BadHeader,   // not a JPEG, or its header cannot be read
    TooLarge,    // the full-size picture would pass the picture size cap
    Unsupported, // a component layout the codec cannot turn into BGR
    DecodeFailed // the data failed while decoding the rows, or memory ran short
};

// What the header says.
struct JpegInfo {
    int width = 0;
    int height = 0;
    int channels = 0; // components in the file: 1 grey, 3 colour, 4 CMYK/YCCK
};

// A decoded picture; the caller owns the pixels.
struct JpegImage {
    int width = 0;
    int height = 0;
    int channels = 0;    // components of the source file
    int sourceWidth = 0; // the file's full size, known once its header was read
    int sourceHeight = 0;
    std::unique_ptr<unsigned char[]> pixels;
    // The codec's first warning (such as a premature end of the data, whose missing rows come
    // out grey), or the error that failed the decode; empty when there was none.
    std::string message;
};

// Reads the header only. Ok fills `info`.
JpegStatus readJpegInfo(const unsigned char* bytes, size_t size, JpegInfo* info);

// Decodes at 1/`denominator` of the full size (1, 2, 4 or 8; anything else fails as
// Unsupported). The result is ceil(width / denominator) × ceil(height / denominator). Grey
// files give three equal channels; CMYK and YCCK files (Adobe's inverted ones too) are
// converted to BGR. A file whose full-size picture would pass kMaxPictureBytes is refused as
// TooLarge before anything is allocated, at every scale. A truncated file is decoded: the
// missing rows come out grey and `message` holds the codec's warning.
JpegStatus decodeJpeg(const unsigned char* bytes, size_t size, int denominator, JpegImage* image);

// ceil(size / denominator): a side after a reduced decode.
inline int jpegScaledSide(int size, int denominator)
{
    return (size + denominator - 1) / denominator;
}
