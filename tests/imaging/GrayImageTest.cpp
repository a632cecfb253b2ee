#include "imaging/GrayImage.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A BGR24 bottom-up picture with every pixel set to (b, g, r).
std::vector<unsigned char> solidBgr(int w, int h, unsigned char b, unsigned char g, unsigned char r)
{
    std::vector<unsigned char> pixels(rowStride(w) * h, 0xEE); // padding is garbage
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &pixels[row * rowStride(w) + x * 3];
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    return pixels;
}

} // namespace

TEST(GrayImageLayout, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(grayRowStride(1), 4u);
    EXPECT_EQ(grayRowStride(4), 4u);
    EXPECT_EQ(grayRowStride(5), 8u);
    EXPECT_EQ(rowStride(1), 4u);
    EXPECT_EQ(rowStride(5), 16u);
    GrayImage image;
    ASSERT_TRUE(image.allocate(5, 3, 7));
    EXPECT_EQ(image.pixels.size(), 24u);
    EXPECT_EQ(image.at(4, 2), 7);
}

TEST(GrayImageLayout, AbsurdSizesAreRefusedBeforeAllocating)
{
    GrayImage image;
    EXPECT_FALSE(image.allocate(0, 10));
    EXPECT_FALSE(image.allocate(10, -1));
    EXPECT_FALSE(image.allocate(100000, 100000)); // 10 GB
    EXPECT_TRUE(image.empty());
    EXPECT_FALSE(graySizeAllowed(1 << 20, 1 << 11));
    EXPECT_TRUE(graySizeAllowed(5000, 7000));
}

TEST(BgrToGray, UsesBt601WeightsAndKeepsBlackAndWhite)
{
    struct Case {
        unsigned char b, g, r;
        int expected;
    };
    // 0.299 R + 0.587 G + 0.114 B, rounded.
    const Case cases[] = {{255, 255, 255, 255}, {0, 0, 0, 0},    {0, 0, 255, 76},
                          {0, 255, 0, 150},     {255, 0, 0, 29}, {90, 90, 90, 90}};
    for (const Case& c : cases) {
        const auto pixels = solidBgr(3, 2, c.b, c.g, c.r);
        GrayImage gray;
        ASSERT_TRUE(bgrToGray(pixels.data(), 3, 2, gray));
        ASSERT_EQ(gray.width, 3);
        ASSERT_EQ(gray.height, 2);
        for (int row = 0; row < 2; ++row)
            for (int x = 0; x < 3; ++x)
                EXPECT_NEAR(gray.at(x, row), c.expected, 1) << int(c.b) << "," << int(c.g);
    }
}

TEST(BgrToGray, KeepsRowOrderAndReadsPaddedRows)
{
    // Width 5: colour rows take 16 bytes, one of them padding.
    std::vector<unsigned char> pixels(rowStride(5) * 2, 0);
    for (int x = 0; x < 5; ++x) {
        unsigned char* bottom = &pixels[x * 3];
        unsigned char* top = &pixels[rowStride(5) + x * 3];
        bottom[0] = bottom[1] = bottom[2] = static_cast<unsigned char>(10 * x);
        top[0] = top[1] = top[2] = static_cast<unsigned char>(200 + x);
    }
    GrayImage gray;
    ASSERT_TRUE(bgrToGray(pixels.data(), 5, 2, gray));
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(gray.at(x, 0), 10 * x);
        EXPECT_EQ(gray.at(x, 1), 200 + x);
    }
}

TEST(BgrToGray, FailsOnNullOrRefusedSize)
{
    GrayImage gray;
    EXPECT_FALSE(bgrToGray(nullptr, 4, 4, gray));
    const auto pixels = solidBgr(1, 1, 1, 2, 3);
    EXPECT_FALSE(bgrToGray(pixels.data(), 0, 1, gray));
    EXPECT_TRUE(gray.empty());
}

TEST(ResizeGray, EnlargesAFlatPictureToTheSameLevel)
{
    GrayImage src;
    ASSERT_TRUE(src.allocate(3, 3, 77));
    GrayImage out;
    ASSERT_TRUE(resizeGray(src, 7, 9, out));
    EXPECT_EQ(out.width, 7);
    EXPECT_EQ(out.height, 9);
    for (int row = 0; row < 9; ++row)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(out.at(x, row), 77);
}

TEST(ResizeGray, ReductionAveragesAreas)
{
    // Columns alternate 0 and 200: halving the width by area averaging gives 100 everywhere.
    GrayImage src;
    ASSERT_TRUE(src.allocate(8, 4));
    for (int row = 0; row < 4; ++row)
        for (int x = 0; x < 8; ++x)
            src.pixels[row * src.stride() + x] = (x % 2) ? 200 : 0;
    GrayImage out;
    ASSERT_TRUE(resizeGray(src, 4, 2, out));
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(out.at(x, row), 100);
}

TEST(ResizeGray, EnlargingOneSideUsesBicubicWhichOvershootsAtAnEdge)
{
    // A hard step enlarged with bicubic interpolation rings past the two levels; area
    // averaging never would. Width grows, height shrinks: still counts as enlarging.
    GrayImage src;
    ASSERT_TRUE(src.allocate(8, 4));
    for (int row = 0; row < 4; ++row)
        for (int x = 0; x < 8; ++x)
            src.pixels[row * src.stride() + x] = x < 4 ? 50 : 200;
    GrayImage out;
    ASSERT_TRUE(resizeGray(src, 32, 2, out));
    int lowest = 255, highest = 0;
    for (int x = 0; x < 32; ++x) {
        lowest = std::min<int>(lowest, out.at(x, 0));
        highest = std::max<int>(highest, out.at(x, 0));
    }
    EXPECT_LT(lowest, 50);
    EXPECT_GT(highest, 200);
}

TEST(ResizeGray, RefusesEmptySourceAndAbsurdSize)
{
    GrayImage empty, out;
    EXPECT_FALSE(resizeGray(empty, 10, 10, out));
    GrayImage src;
    ASSERT_TRUE(src.allocate(2, 2, 1));
    EXPECT_FALSE(resizeGray(src, 200000, 200000, out));
    EXPECT_FALSE(resizeGray(src, 0, 5, out));
}
