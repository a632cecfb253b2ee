// The screen device context's conversions of 1-bit and grey source rectangles.

#include "views/ScreenDeviceContext.h"

#include <gtest/gtest.h>

namespace {

BlitRect rect(int x, int y, int w, int h)
{
    BlitRect r;
    r.x = x;
    r.y = y;
    r.width = w;
    r.height = h;
    return r;
}

// A 1-bit picture of width × height (bottom-up) whose pixel (x, row) is white when `white`
// says so.
template <typename White> std::vector<unsigned char> bitPicture(int width, int height, White white)
{
    const size_t stride = (static_cast<size_t>(width) + 31) / 32 * 4;
    std::vector<unsigned char> bits(stride * height, 0);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            if (white(x, row))
                bits[stride * row + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    return bits;
}

} // namespace

TEST(ScreenGrayFromBits, SetBitsAreWhiteAndRowsStayBottomUp)
{
    // 33 pixels wide: 8 bytes a row; white where x + row is even.
    const auto checker = [](int x, int row) { return (x + row) % 2 == 0; };
    const std::vector<unsigned char> bits = bitPicture(33, 3, checker);
    ScreenGray g;
    ASSERT_TRUE(grayFromBits(bits.data(), 33, 3, rect(0, 0, 33, 3), g));
    EXPECT_EQ(g.width, 33);
    EXPECT_EQ(g.height, 3);
    ASSERT_EQ(g.pixels.size(), 36u * 3); // rows padded to 4 bytes
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 33; ++x)
            EXPECT_EQ(g.pixels[36 * row + x], checker(x, row) ? 255 : 0) << x << "," << row;
}

TEST(ScreenGrayFromBits, TakesOnlyTheSourceRectangle)
{
    // White only in column 40 and row 1 (from the bottom).
    const std::vector<unsigned char> bits =
        bitPicture(50, 4, [](int x, int row) { return x == 40 || row == 1; });
    ScreenGray g;
    ASSERT_TRUE(grayFromBits(bits.data(), 50, 4, rect(38, 1, 5, 2), g));
    EXPECT_EQ(g.width, 5);
    EXPECT_EQ(g.height, 2);
    const unsigned char bottom[5] = {255, 255, 255, 255, 255}; // picture row 1
    const unsigned char top[5] = {0, 0, 255, 0, 0};            // picture row 2
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(g.pixels[i], bottom[i]) << i;
        EXPECT_EQ(g.pixels[8 + i], top[i]) << i;
    }
}

TEST(ScreenGrayFromBits, RefusesRectanglesOutsideThePicture)
{
    const std::vector<unsigned char> bits(8 * 4, 0xFF);
    ScreenGray g;
    EXPECT_FALSE(grayFromBits(bits.data(), 40, 4, rect(0, 0, 41, 4), g));
    EXPECT_FALSE(grayFromBits(bits.data(), 40, 4, rect(0, 1, 40, 4), g));
    EXPECT_FALSE(grayFromBits(bits.data(), 40, 4, rect(-1, 0, 10, 2), g));
    EXPECT_FALSE(grayFromBits(bits.data(), 40, 4, rect(0, 0, 0, 2), g));
    EXPECT_FALSE(grayFromBits(nullptr, 40, 4, rect(0, 0, 10, 2), g));
    EXPECT_TRUE(g.pixels.empty());
    // Sizes that would overflow an addition are refused, not wrapped.
    EXPECT_FALSE(grayFromBits(bits.data(), 40, 4, rect(2147483600, 0, 100, 1), g));
}

TEST(ScreenGrayFromGray, CopiesTheSourceRectangle)
{
    // 5 × 3 grey, stride 8; value = 10 × row + x.
    std::vector<unsigned char> gray(8 * 3, 0);
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 5; ++x)
            gray[8 * row + x] = static_cast<unsigned char>(10 * row + x);
    ScreenGray g;
    ASSERT_TRUE(grayFromGray(gray.data(), 5, 3, rect(2, 1, 3, 2), g));
    EXPECT_EQ(g.pixels.size(), 8u);
    EXPECT_EQ(g.pixels[0], 12);
    EXPECT_EQ(g.pixels[2], 14);
    EXPECT_EQ(g.pixels[4], 22);
    EXPECT_EQ(g.pixels[6], 24);
    EXPECT_FALSE(grayFromGray(gray.data(), 5, 3, rect(3, 0, 3, 1), g));
}
