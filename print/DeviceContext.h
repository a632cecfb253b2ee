#pragma once

// The drawing surface the blits (PixelOutput.h) put pictures on: a window on the screen or a
// page of a print job (PdfDeviceContext). Each call draws one picture stretched from a source
// rectangle into a destination rectangle and replaces what was there (no blending).
//
// Coordinates: destinations are in device pixels, x to the right and y downwards from the
// top-left of the drawable area (a printer's printable area). Sources are in picture pixels
// with y counted upwards from the picture's bottom row, the convention of bottom-up bitmaps:
// the top-left 10 × 10 pixels of a 100 × 50 picture are the source (0, 40, 10, 10).
//
// Pictures are bottom-up (row 0 is the bottom row):
// - BGR24: 3 bytes a pixel (blue, green, red), rows padded to a multiple of 4 bytes;
// - grey: 1 byte a pixel, 0 black to 255 white, rows padded to a multiple of 4 bytes;
// - 1-bit: ⌈width / 32⌉ × 4 bytes a row, leftmost pixel in the high bit, 1 white, 0 black.
// The pixels need only live for the call. Results are the number of source rows drawn, 0 on
// failure (nothing drawn). UI thread only, like every window and print job.

// A rectangle: x, y, width, height in the coordinates named above.
struct BlitRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class DeviceContext {
  public:
    virtual ~DeviceContext() = default;

    virtual int drawBgr24(const BlitRect& dest, const BlitRect& source, const unsigned char* pixels,
                          int width, int height) = 0;
    virtual int drawGray8(const BlitRect& dest, const BlitRect& source, const unsigned char* pixels,
                          int width, int height) = 0;
    virtual int drawBits1(const BlitRect& dest, const BlitRect& source, const unsigned char* bits,
                          int width, int height) = 0;

    // A print job's page bracket; the screen has none. False when the device refuses.
    virtual bool startPage() { return true; }
    virtual bool endPage() { return true; }

    // Planes × bits per pixel of the device, for trace lines.
    virtual int bitsPerPixel() const { return 24; }
};
