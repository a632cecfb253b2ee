#include "print/ColourPage.h"

#include <cstddef>

#include "imaging/Bgr24.h"

namespace {

class Sampler {
  public:
    Sampler(const unsigned char* pixels, int width) : pixels_(pixels), stride_(rowStride(width)) {}
    bool colour(int x, int row) const
    {
        const unsigned char* p = pixels_ + row * stride_ + static_cast<size_t>(x) * 3;
        return p[0] != p[1] || p[1] != p[2];
    }

  private:
    const unsigned char* pixels_;
    size_t stride_;
};

// Walks the diagonal from (0, 0) to (w - 1, h - 1) with Bresenham's algorithm, one point per
// step along the longer side, testing each point and its mirror (w - 1 - x, y).
bool diagonalsHoldColour(const Sampler& s, int w, int h)
{
    const int dx = w - 1;
    const int dy = h - 1;
    if (dx >= dy) {
        int error = dx / 2;
        int y = 0;
        for (int x = 0; x <= dx; ++x) {
            if (s.colour(x, y) || s.colour(dx - x, y))
                return true;
            error -= dy;
            if (error < 0) {
                ++y;
                error += dx;
            }
        }
        return false;
    }
    int error = dy / 2;
    int x = 0;
    for (int y = 0; y <= dy; ++y) {
        if (s.colour(x, y) || s.colour(dx - x, y))
            return true;
        error -= dx;
        if (error < 0) {
            ++x;
            error += dy;
        }
    }
    return false;
}

} // namespace

bool isColourPage(const unsigned char* pixels, int width, int height)
{
    if (!pixels || width <= 0 || height <= 0)
        return false;
    const Sampler s(pixels, width);
    if (s.colour(0, 0))
        return true;
    if (diagonalsHoldColour(s, width, height))
        return true;
    const int row = static_cast<int>(height * 0.15);
    for (int x = 0; x < width; ++x)
        if (s.colour(x, row) || s.colour(x, height - 1 - row))
            return true;
    const int column = static_cast<int>(width * 0.15);
    for (int y = 0; y < height; ++y)
        if (s.colour(column, y) || s.colour(width - 1 - column, y))
            return true;
    return false;
}
