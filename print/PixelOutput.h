#pragma once

#include "print/DeviceContext.h"

// The three blits that put pictures on a device context: pageBlit (colour), grayBlit (grey)
// and printBlit (a page prepared for a monochrome printer, as grey left to the printer or
// binarised here at the size the printer will really print it). They return the device's
// result: the rows drawn, 0 on failure. UI thread only; the pixels must live for the call.

// Draws the source rectangle (y from the bottom row) of a BGR24 picture into the destination.
int pageBlit(DeviceContext& dc, int destX, int destY, int destWidth, int destHeight, int srcX,
             int srcY, int srcWidth, int srcHeight, const unsigned char* pixels, int width,
             int height);

// Draws the srcWidth × srcHeight rectangle at (0, 0) of an 8-bit grey picture.
int grayBlit(int width, int height, DeviceContext& dc, int destX, int destY, int destWidth,
             int destHeight, int srcWidth, int srcHeight, const unsigned char* gray);

// Prints a whole BGR24 picture into the destination. `ditherMode` 0 sends it as grey at its
// own size; 1-5 binarise it (DitherMethod) at the device size of the destination, reduced by
// `nupIndex` (0 none, 1 2-up, 2 4-up, 3 6-up, 4 8-up) when the printer shrinks pages itself.
// Traces the N-up correction and the source region.
int printBlit(DeviceContext& dc, int destX, int destY, int destWidth, int destHeight, int srcWidth,
              int srcHeight, const unsigned char* pixels, int width, int height, int ditherMode,
              int nupIndex);

// One N-up step: the size a page of width × height keeps when two share its sheet, turned to
// fit (single precision, truncated). Sizes below 1 are left alone.
void nupShrink(int& width, int& height);

// The sizes printBlit works with for a binarised page.
struct PrintBlitPlan {
    int fullWidth = 0;  // w₀: the picture at device size
    int fullHeight = 0; // h₀
    int width = 0;      // the binarised picture after the N-up steps
    int height = 0;
    float scale = 1.0f;  // width / fullWidth (the smaller of the two ratios)
    int regionWidth = 0; // source rectangle on the binarised picture
    int regionHeight = 0;
};

// The plan for printing a width × height picture (source srcWidth × srcHeight) into a
// destWidth × destHeight rectangle with `nupIndex`. Sizes are 0 when the arguments are not
// positive.
PrintBlitPlan planPrintBlit(int destWidth, int destHeight, int srcWidth, int srcHeight, int width,
                            int height, int nupIndex);
