#pragma once

#include <vector>

#include "print/DeviceContext.h"

// The screen as a device context: the blits of print/PixelOutput.h draw through it into the
// current window (inside a widget's draw), clipped to the current clip region. Destinations
// are window coordinates. Grey and 1-bit pictures are shown as grey levels. UI thread only.
class ScreenDeviceContext : public DeviceContext {
  public:
    int drawBgr24(const BlitRect& dest, const BlitRect& source, const unsigned char* pixels,
                  int width, int height) override;
    int drawGray8(const BlitRect& dest, const BlitRect& source, const unsigned char* pixels,
                  int width, int height) override;
    int drawBits1(const BlitRect& dest, const BlitRect& source, const unsigned char* bits,
                  int width, int height) override;
};

// A grey picture the blits can draw: source.width × source.height, bottom-up, rows padded to
// 4 bytes, 0 black and 255 white.
struct ScreenGray {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// Copies the source rectangle (y from the bottom row) of a 1-bit picture (the layout of
// DeviceContext.h: set bit white) into `out`. False, leaving `out` empty, when the rectangle
// is empty or not inside the width × height picture.
bool grayFromBits(const unsigned char* bits, int width, int height, const BlitRect& source,
                  ScreenGray& out);

// The same for the source rectangle of an 8-bit grey picture.
bool grayFromGray(const unsigned char* gray, int width, int height, const BlitRect& source,
                  ScreenGray& out);
