#include "pipeline/SpiBitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "PipelineTestSupport.h"
#include "pipeline/Bgr24.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string convert(const Bytes& info, const Bytes& bits, SpiBitmap* out)
{
    return convertSpiBitmap(info.data(), info.size(), bits.data(), bits.size(), out);
}

void expectPixel(const SpiBitmap& picture, int x, int y, int b, int g, int r)
{
    const unsigned char* p = bgrAt(picture.pixels.get(), picture.width, x, y);
    EXPECT_EQ(p[0], b) << "blue at " << x << "," << y;
    EXPECT_EQ(p[1], g) << "green at " << x << "," << y;
    EXPECT_EQ(p[2], r) << "red at " << x << "," << y;
}

void expectPaddingZero(const SpiBitmap& picture)
{
    const size_t stride = rowStride(picture.width);
    for (int y = 0; y < picture.height; ++y) {
        for (size_t i = size_t(picture.width) * 3; i < stride; ++i)
            EXPECT_EQ(picture.pixels[stride * y + i], 0) << "row " << y << " byte " << i;
    }
}

// Two rows of three 24-bit pixels, each row padded to 12 bytes; row 0 holds 1…9, row 1 11…19.
Bytes twoRows24()
{
    return {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
}

} // namespace

TEST(SpiBitmap, TwentyFourBitBottomUpRowsAreCopied)
{
    SpiBitmap picture;
    ASSERT_EQ(convert(bitmapInfo(3, 2, 24, 0), twoRows24(), &picture), "");
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    EXPECT_EQ(picture.bitCount, 24);
    expectPixel(picture, 0, 0, 1, 2, 3);
    expectPixel(picture, 2, 1, 17, 18, 19);
    expectPaddingZero(picture);
}

TEST(SpiBitmap, TopDownPictureComesOutBottomUp)
{
    SpiBitmap picture;
    ASSERT_EQ(convert(bitmapInfo(3, -2, 24, 0), twoRows24(), &picture), "");
    EXPECT_EQ(picture.height, 2);
    // The first source row is the top row, so it becomes the last row in memory.
    expectPixel(picture, 0, 1, 1, 2, 3);
    expectPixel(picture, 0, 0, 11, 12, 13);
}

TEST(SpiBitmap, EightBitLooksUpTheColourTable)
{
    const std::vector<uint32_t> palette = {0x00000000, 0x00112233, 0x00445566};
    // Width 5: rows of 8 bytes.
    const Bytes bits = {0, 1, 2, 1, 0, 9, 9, 9, 2, 2, 2, 2, 1, 9, 9, 9};
    SpiBitmap picture;
    ASSERT_EQ(convert(bitmapInfo(5, 2, 8, 0, palette, 40, 3), bits, &picture), "");
    expectPixel(picture, 1, 0, 0x33, 0x22, 0x11);
    expectPixel(picture, 2, 0, 0x66, 0x55, 0x44);
    expectPixel(picture, 4, 1, 0x33, 0x22, 0x11);
    expectPaddingZero(picture);
}

TEST(SpiBitmap, IndexesPastTheColourTableAreBlack)
{
    // The header promises 256 colours but the block holds two: index 200 must not read past it.
    const Bytes bits = {0, 1, 200, 255};
    SpiBitmap picture;
    ASSERT_EQ(convert(bitmapInfo(4, 1, 8, 0, {0x00FFFFFF, 0x00808080}), bits, &picture), "");
    expectPixel(picture, 0, 0, 0xFF, 0xFF, 0xFF);
    expectPixel(picture, 1, 0, 0x80, 0x80, 0x80);
    expectPixel(picture, 2, 0, 0, 0, 0);
    expectPixel(picture, 3, 0, 0, 0, 0);
    // A colour count larger than the depth allows is limited to it.
    ASSERT_EQ(convert(bitmapInfo(4, 1, 8, 0, {0x00FFFFFF}, 40, 100000), bits, &picture), "");
}

TEST(SpiBitmap, FourBitOddWidthWritesExactlyItsPixels)
{
    std::vector<uint32_t> palette(16);
    for (uint32_t i = 0; i < 16; ++i)
        palette[i] = i * 0x00010101;
    // Width 3: 2 bytes of pixels, rows of 4 bytes; high nibble first. The low nibble of the
    // second byte is past the picture.
    const Bytes bits = {0x12, 0x3F, 0xEE, 0xEE, 0xAB, 0xCF, 0xEE, 0xEE};
    SpiBitmap picture;
    ASSERT_EQ(convert(bitmapInfo(3, 2, 4, 0, palette), bits, &picture), "");
    expectPixel(picture, 0, 0, 1, 1, 1);
    expectPixel(picture, 1, 0, 2, 2, 2);
    expectPixel(picture, 2, 0, 3, 3, 3);
    expectPixel(picture, 0, 1, 10, 10, 10);
    expectPixel(picture, 2, 1, 12, 12, 12);
    expectPaddingZero(picture); // rowStride(3) = 12: nothing written past the third pixel
}

TEST(SpiBitmap, ThirtyTwoBitTakesTheFirstThreeBytes)
{
    const Bytes bits = {1, 2, 3, 99, 4, 5, 6, 99};
    SpiBitmap picture;
    ASSERT_EQ(convert(bitmapInfo(2, 1, 32, 0), bits, &picture), "");
    expectPixel(picture, 0, 0, 1, 2, 3);
    expectPixel(picture, 1, 0, 4, 5, 6);
}

TEST(SpiBitmap, SixteenBitIsFiveFiveFive)
{
    // 0x7C00 red, 0x03E0 green, 0x0010 half blue, 0x7FFF white; rows of 8 bytes.
    const uint16_t words[] = {0x7C00, 0x03E0, 0x0010, 0x7FFF};
    Bytes bits(8);
    std::memcpy(bits.data(), words, 8);
    SpiBitmap picture;
    ASSERT_EQ(convert(bitmapInfo(4, 1, 16, 0), bits, &picture), "");
    expectPixel(picture, 0, 0, 0, 0, 255);
    expectPixel(picture, 1, 0, 0, 255, 0);
    expectPixel(picture, 2, 0, 0x84, 0, 0); // 10000 → 10000100
    expectPixel(picture, 3, 0, 255, 255, 255);
}

TEST(SpiBitmap, SixteenBitFieldsUseTheMasks)
{
    // 5-6-5, with a 6-bit green.
    const uint16_t words[] = {0xF800, 0x07E0, 0x0020, 0x001F};
    Bytes bits(8);
    std::memcpy(bits.data(), words, 8);
    SpiBitmap picture;
    ASSERT_EQ(convert(bitmapInfo(4, 1, 16, 3, {0xF800, 0x07E0, 0x001F}), bits, &picture), "");
    expectPixel(picture, 0, 0, 0, 0, 255);
    expectPixel(picture, 1, 0, 0, 255, 0);
    expectPixel(picture, 2, 0, 0, 0x04, 0); // 000001 → 00000100
    expectPixel(picture, 3, 0, 255, 0, 0);
}

TEST(SpiBitmap, ThirtyTwoBitFieldsKeepTheTopEightBits)
{
    // 10-10-10 in the order red, green, blue from the top.
    const uint32_t words[] = {0x3FF00000, 0x000FFC00, 0x00000200};
    Bytes bits(12);
    std::memcpy(bits.data(), words, 12);
    SpiBitmap picture;
    ASSERT_EQ(
        convert(bitmapInfo(3, 1, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}), bits, &picture), "");
    expectPixel(picture, 0, 0, 0, 0, 255);
    expectPixel(picture, 1, 0, 0, 255, 0);
    expectPixel(picture, 2, 0, 0x80, 0, 0);
}

TEST(SpiBitmap, LongHeaderCarriesItsMasksInside)
{
    // A 124-byte header keeps the masks in its own fields, right after the first 40 bytes.
    Bytes info = bitmapInfo(1, 1, 32, 3, {}, 124);
    const uint32_t masks[] = {0x000000FF, 0x0000FF00, 0x00FF0000};
    std::memcpy(info.data() + 40, masks, sizeof masks);
    const Bytes bits = {10, 20, 30, 0};
    SpiBitmap picture;
    ASSERT_EQ(convert(info, bits, &picture), "");
    expectPixel(picture, 0, 0, 30, 20, 10);
}

TEST(SpiBitmap, ChannelsWidenByRepeatingTheirBits)
{
    EXPECT_EQ(widenChannel(0x1F, 5), 0xFF);
    EXPECT_EQ(widenChannel(0x10, 5), 0x84);
    EXPECT_EQ(widenChannel(0, 5), 0);
    EXPECT_EQ(widenChannel(1, 1), 0xFF);
    EXPECT_EQ(widenChannel(5, 3), 0xB6); // 101 → 10110110
    EXPECT_EQ(widenChannel(0x3F, 6), 0xFF);
    EXPECT_EQ(widenChannel(0xAB, 8), 0xAB);
    EXPECT_EQ(widenChannel(0x3FF, 10), 0xFF);
    EXPECT_EQ(widenChannel(0xFFFFFFFFu, 32), 0xFF);
}

TEST(SpiBitmap, OtherDepthsAndCompressionsAreRefused)
{
    const Bytes bits(64, 0);
    SpiBitmap picture;
    EXPECT_NE(convert(bitmapInfo(4, 1, 1, 0, {0, 0xFFFFFF}), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, 1, 8, 1, std::vector<uint32_t>(256)), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, 1, 4, 2, std::vector<uint32_t>(16)), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, 1, 24, 3, {0xFF0000, 0xFF00, 0xFF}), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, 1, 2, 0), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, 1, 0, 0), bits, &picture), "");
    EXPECT_FALSE(picture.pixels);
}

TEST(SpiBitmap, MalformedHeadersAreRefused)
{
    const Bytes bits(4096, 0);
    SpiBitmap picture;
    const Bytes good = bitmapInfo(4, 4, 24, 0);
    EXPECT_EQ(convert(good, bits, &picture), "");
    EXPECT_NE(convert(Bytes(good.begin(), good.begin() + 39), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, 4, 24, 0, {}, 12), bits, &picture), ""); // biSize < 40
    Bytes claimsLonger = good;
    claimsLonger[0] = 200; // biSize past the end of the block
    EXPECT_NE(convert(claimsLonger, bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(0, 4, 24, 0), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(-4, 4, 24, 0), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, 0, 24, 0), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, INT_MIN, 24, 0), bits, &picture), "");
    // Bit fields without room for the masks, and masks that are not one run of bits.
    EXPECT_NE(convert(bitmapInfo(4, 1, 16, 3), bits, &picture), "");
    EXPECT_NE(convert(bitmapInfo(4, 1, 16, 3, {0xF00F, 0x0F00, 0x00F0}), bits, &picture), "");
    EXPECT_NE(convert(good, Bytes(), &picture), "");
    EXPECT_NE(convertSpiBitmap(nullptr, 0, bits.data(), bits.size(), &picture), "");
    EXPECT_FALSE(picture.pixels);
}

TEST(SpiBitmap, PixelBlockShorterThanTheHeaderImpliesIsRefused)
{
    SpiBitmap picture;
    // 3 × 2 at 24 bits needs two 12-byte rows.
    EXPECT_NE(convert(bitmapInfo(3, 2, 24, 0), Bytes(23, 0), &picture), "");
    EXPECT_EQ(convert(bitmapInfo(3, 2, 24, 0), Bytes(24, 0), &picture), "");
    EXPECT_NE(convert(bitmapInfo(3, -2, 4, 0), Bytes(7, 0), &picture), "");
    EXPECT_NE(convert(bitmapInfo(1000, 1000, 32, 0), Bytes(4096, 0), &picture), "");
}

TEST(SpiBitmap, PicturesPastTheSizeCapAreRefusedBeforeAllocating)
{
    SpiBitmap picture;
    // 40000 × 40000 × 3 bytes is about 4.5 GB; 2^31-1 wide would wrap a 32-bit row size.
    const std::string tooLarge = convert(bitmapInfo(40000, 40000, 24, 0), Bytes(64, 0), &picture);
    EXPECT_NE(tooLarge.find("too large"), std::string::npos) << tooLarge;
    EXPECT_NE(convert(bitmapInfo(INT_MAX, 1, 32, 0), Bytes(64, 0), &picture), "");
    EXPECT_NE(convert(bitmapInfo(1, INT_MAX, 8, 0), Bytes(64, 0), &picture), "");
}
