#include "print/ColourPage.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A grey BGR24 picture whose padding bytes are deliberately not grey.
class Picture {
  public:
    Picture(int w, int h) : w_(w), h_(h), stride_((w * 3 + 3) & ~3), bytes_(stride_ * h, 0x5A)
    {
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x)
                set(x, row, 128, 128, 128);
        for (int row = 0; row < h; ++row)
            for (int i = w * 3; i < stride_; ++i)
                bytes_[row * stride_ + i] = static_cast<unsigned char>(i * 37);
    }
    void set(int x, int row, unsigned char b, unsigned char g, unsigned char r)
    {
        unsigned char* p = &bytes_[row * stride_ + x * 3];
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
    void tint(int x, int row) { set(x, row, 128, 128, 129); }
    bool colour() const { return isColourPage(bytes_.data(), w_, h_); }

  private:
    int w_, h_, stride_;
    std::vector<unsigned char> bytes_;
};

} // namespace

TEST(IsColourPage, GreyPictureIsNotColour)
{
    Picture p(37, 23); // odd width: rows carry padding bytes
    EXPECT_FALSE(p.colour());
    Picture tall(5, 80);
    EXPECT_FALSE(tall.colour());
}

TEST(IsColourPage, FirstPixel)
{
    Picture p(40, 30);
    p.tint(0, 0);
    EXPECT_TRUE(p.colour());
}

TEST(IsColourPage, BothDiagonalsOfAWidePicture)
{
    // 100 × 10: Bresenham steps along x, y rises every ~11 columns.
    Picture a(100, 10);
    a.tint(50, 5); // on the diagonal from (0, 0) to (99, 9)
    EXPECT_TRUE(a.colour());
    Picture b(100, 10);
    b.tint(99 - 50, 5); // its mirror across the vertical centre line
    EXPECT_TRUE(b.colour());
    Picture c(100, 10);
    c.tint(99, 9); // the far corner
    EXPECT_TRUE(c.colour());
    Picture d(100, 10);
    d.tint(99, 0); // the other diagonal's start
    EXPECT_TRUE(d.colour());
}

TEST(IsColourPage, DiagonalOfATallPicture)
{
    Picture a(10, 100);
    a.tint(5, 50);
    EXPECT_TRUE(a.colour());
    Picture b(10, 100);
    b.tint(4, 50);
    EXPECT_TRUE(b.colour());
}

TEST(IsColourPage, RowsAndColumnsAtFifteenPercent)
{
    // 200 × 100: rows 15 and 84, columns 30 and 169.
    const int points[][2] = {{120, 15}, {7, 84}, {30, 60}, {169, 3}};
    for (const auto& point : points) {
        Picture p(200, 100);
        p.tint(point[0], point[1]);
        EXPECT_TRUE(p.colour()) << point[0] << "," << point[1];
    }
}

TEST(IsColourPage, ColourAwayFromEverySampleIsMissed)
{
    // The sample is a sample: a colour dot off the diagonals, rows and columns goes unseen.
    Picture p(200, 100);
    p.tint(100, 30);
    EXPECT_FALSE(p.colour());
    Picture q(200, 100);
    for (int x = 60; x < 80; ++x)
        for (int row = 40; row < 45; ++row)
            q.tint(x, row);
    EXPECT_FALSE(q.colour());
}

TEST(IsColourPage, ColourPhotoAndEmptyInput)
{
    Picture p(64, 64);
    for (int row = 0; row < 64; ++row)
        for (int x = 0; x < 64; ++x)
            p.set(x, row, static_cast<unsigned char>(x * 4), static_cast<unsigned char>(row * 4),
                  200);
    EXPECT_TRUE(p.colour());
    EXPECT_FALSE(isColourPage(nullptr, 10, 10));
    unsigned char one[4] = {1, 2, 3, 0};
    EXPECT_FALSE(isColourPage(one, 0, 1));
    EXPECT_TRUE(isColourPage(one, 1, 1));
}
