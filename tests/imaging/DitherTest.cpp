#include "imaging/Dither.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A grey picture from rows listed top row first (the way one reads them).
GrayImage fromTopRows(const std::vector<std::vector<int>>& rows)
{
    GrayImage image;
    const int h = static_cast<int>(rows.size());
    const int w = static_cast<int>(rows[0].size());
    image.allocate(w, h);
    for (int line = 0; line < h; ++line)
        for (int x = 0; x < w; ++x)
            image.pixels[(h - 1 - line) * image.stride() + x] =
                static_cast<unsigned char>(rows[line][x]);
    return image;
}

// The result as text, top row first, '#' for black and '.' for white, rows joined by '/'.
std::string picture(const BitImage& bits)
{
    std::string text;
    for (int line = 0; line < bits.height; ++line) {
        if (line)
            text += '/';
        for (int x = 0; x < bits.width; ++x)
            text += bits.white(x, bits.height - 1 - line) ? '.' : '#';
    }
    return text;
}

std::string dither(const std::vector<std::vector<int>>& rows, int method)
{
    BitImage bits;
    EXPECT_TRUE(ditherGray(fromTopRows(rows), method, bits));
    return picture(bits);
}

int whiteCount(const BitImage& bits)
{
    int n = 0;
    for (int row = 0; row < bits.height; ++row)
        for (int x = 0; x < bits.width; ++x)
            n += bits.white(x, row);
    return n;
}

const std::vector<std::vector<int>> kFlat100 = {
    {100, 100, 100, 100, 100}, {100, 100, 100, 100, 100}, {100, 100, 100, 100, 100}};

TEST(BitImageLayout, RowsTakeWholeThirtyTwoBitWords)
{
    EXPECT_EQ(bitRowStride(1), 4u);
    EXPECT_EQ(bitRowStride(32), 4u);
    EXPECT_EQ(bitRowStride(33), 8u);
    BitImage bits;
    ASSERT_TRUE(bits.allocate(33, 2));
    EXPECT_EQ(bits.bits.size(), 16u);
    EXPECT_FALSE(bits.allocate(1 << 20, 1 << 20));
    EXPECT_FALSE(bits.allocate(0, 3));
}

TEST(Threshold, SplitsExactlyAt128WithTheLeftmostPixelInTheHighBit)
{
    BitImage bits;
    ASSERT_TRUE(ditherGray(fromTopRows({{127, 128, 0, 255, 200, 10, 129, 1, 128}}),
                           DITHER_THRESHOLD, bits));
    ASSERT_EQ(bits.width, 9);
    // #.#..#.#. read as white bits: 0 1 0 1 1 0 1 0 | 1 -> 0x5A, 0x80, padding zero.
    EXPECT_EQ(bits.bits[0], 0x5A);
    EXPECT_EQ(bits.bits[1], 0x80);
    EXPECT_EQ(bits.bits[2], 0x00);
    EXPECT_EQ(bits.bits[3], 0x00);
}

TEST(Threshold, KeepsBottomUpRowOrder)
{
    // Top row white, bottom row black: stored row 0 (bottom) is all zero bits.
    BitImage bits;
    ASSERT_TRUE(ditherGray(fromTopRows({{255, 255}, {0, 0}}), DITHER_THRESHOLD, bits));
    EXPECT_EQ(bits.bits[0], 0x00);
    EXPECT_EQ(bits.bits[4], 0xC0);
}

// The published kernels, written out here on their own: (dx, dy, weight), divisor.
struct Tap {
    int dx, dy, weight;
};
struct KernelCase {
    int method;
    int divisor;
    std::vector<Tap> taps;
};

const KernelCase kKernels[] = {
    {DITHER_FLOYD_STEINBERG, 16, {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}},
    {DITHER_JARVIS_JUDICE_NINKE,
     48,
     {{1, 0, 7},
      {2, 0, 5},
      {-2, 1, 3},
      {-1, 1, 5},
      {0, 1, 7},
      {1, 1, 5},
      {2, 1, 3},
      {-2, 2, 1},
      {-1, 2, 3},
      {0, 2, 5},
      {1, 2, 3},
      {2, 2, 1}}},
    {DITHER_STUCKI,
     42,
     {{1, 0, 8},
      {2, 0, 4},
      {-2, 1, 2},
      {-1, 1, 4},
      {0, 1, 8},
      {1, 1, 4},
      {2, 1, 2},
      {-2, 2, 1},
      {-1, 2, 2},
      {0, 2, 4},
      {1, 2, 2},
      {2, 2, 1}}},
};

// A 5 × 3 picture whose pixel (2, 0) prints black with an error equal to the kernel's divisor,
// so each neighbour receives exactly its weight. Every other neighbour is set so that it
// lands exactly on 255 (white, no error of its own); the probe lands on 128 + `offset`.
std::vector<std::vector<int>> tapProbe(const KernelCase& kernel, const Tap& probe, int offset)
{
    std::vector<std::vector<int>> rows(3, std::vector<int>(5, 255));
    rows[0][0] = rows[0][1] = 0; // before the source: black without error
    rows[0][2] = kernel.divisor;
    for (const Tap& tap : kernel.taps)
        rows[tap.dy][2 + tap.dx] = 255 - tap.weight;
    rows[probe.dy][2 + probe.dx] = 128 + offset - probe.weight;
    return rows;
}

} // namespace

TEST(ErrorDiffusion, EveryNeighbourGetsItsPublishedShare)
{
    for (const KernelCase& kernel : kKernels)
        for (const Tap& tap : kernel.taps) {
            const int x = 2 + tap.dx;
            const int line = tap.dy;
            std::string sheet = dither(tapProbe(kernel, tap, 0), kernel.method);
            EXPECT_EQ(sheet[line * 6 + x], '.')
                << "method " << kernel.method << " tap " << tap.dx << "," << tap.dy << " " << sheet;
            sheet = dither(tapProbe(kernel, tap, -1), kernel.method);
            EXPECT_EQ(sheet[line * 6 + x], '#')
                << "method " << kernel.method << " tap " << tap.dx << "," << tap.dy << " " << sheet;
            // Everything else is white (the source and the two pixels before it black).
            sheet[line * 6 + x] = '.';
            EXPECT_EQ(sheet, "###../...../.....") << "method " << kernel.method;
        }
}

TEST(ErrorDiffusion, ErrorLeavingThePictureIsDropped)
{
    // The right edge: 64 in the last column gives its 7/16 to nobody. Were it wrapped to the
    // next row's first pixel (115 + 12 + 28), that one would turn white.
    EXPECT_EQ(dither({{0, 64}, {115, 255}}, DITHER_FLOYD_STEINBERG), "##/#.");
}

TEST(FloydSteinberg, FlatGreyWorkedOutByHand)
{
    // Top row: 100 black (error 100, +43.75 right); 143.75 white (error -111.25, -48.67
    // right); 51.33 black (+22.46); 122.46 black (+53.58); 153.58 white.
    EXPECT_EQ(dither(kFlat100, DITHER_FLOYD_STEINBERG), "#.##./#.#.#/#.##.");
}

// Worked out with exact fractions; every decision is at least 0.8 away from 128, so rounding
// in 1/4096 steps cannot tip it.
TEST(JarvisJudiceNinke, FlatGreyPattern)
{
    EXPECT_EQ(dither(kFlat100, DITHER_JARVIS_JUDICE_NINKE), "###.#/.#.##/#.#.#");
}

TEST(Stucki, FlatGreyPattern)
{
    EXPECT_EQ(dither(kFlat100, DITHER_STUCKI), "##.##/#.#.#/.##.#");
}

TEST(Bayer, UsesTheEightByEightMatrixFromTheTopLeft)
{
    // Level 4m + 2 turns on the dots whose matrix value is at most m: the top-left dot (m = 0)
    // first, then the one at column 4, row 4 (m = 1).
    std::vector<std::vector<int>> rows(8, std::vector<int>(8, 2));
    BitImage bits;
    ASSERT_TRUE(ditherGray(fromTopRows(rows), DITHER_BAYER, bits));
    EXPECT_EQ(whiteCount(bits), 1);
    EXPECT_TRUE(bits.white(0, 7));
    rows.assign(8, std::vector<int>(8, 6));
    ASSERT_TRUE(ditherGray(fromTopRows(rows), DITHER_BAYER, bits));
    EXPECT_EQ(whiteCount(bits), 2);
    EXPECT_TRUE(bits.white(4, 7 - 4));
    rows.assign(8, std::vector<int>(8, 1));
    ASSERT_TRUE(ditherGray(fromTopRows(rows), DITHER_BAYER, bits));
    EXPECT_EQ(whiteCount(bits), 0);
}

TEST(Bayer, LevelsMapToDotCounts)
{
    for (int level : {0, 64, 128, 192, 255}) {
        GrayImage flat;
        ASSERT_TRUE(flat.allocate(16, 16, static_cast<unsigned char>(level)));
        BitImage bits;
        ASSERT_TRUE(ditherGray(flat, DITHER_BAYER, bits));
        // Every 8 × 8 tile gets ⌊(level + 2) / 4⌋ white dots (64 at most).
        EXPECT_EQ(whiteCount(bits), 4 * std::min(64, (level + 2) / 4)) << level;
    }
}

TEST(Dithers, FlatMidGreyTurnsAboutHalfTheDotsWhite)
{
    GrayImage flat;
    ASSERT_TRUE(flat.allocate(64, 64, 128));
    for (int method = DITHER_FLOYD_STEINBERG; method <= DITHER_BAYER; ++method) {
        BitImage bits;
        ASSERT_TRUE(ditherGray(flat, method, bits));
        EXPECT_NEAR(whiteCount(bits), 64 * 64 / 2, 64 * 64 / 50) << method;
    }
    GrayImage quarter;
    ASSERT_TRUE(quarter.allocate(64, 64, 64));
    for (int method = DITHER_FLOYD_STEINBERG; method <= DITHER_BAYER; ++method) {
        BitImage bits;
        ASSERT_TRUE(ditherGray(quarter, method, bits));
        EXPECT_NEAR(whiteCount(bits), 64 * 64 / 4, 64 * 64 / 25) << method;
    }
}

TEST(Dithers, BlackAndWhiteStayPure)
{
    for (int method = DITHER_FLOYD_STEINBERG; method <= DITHER_THRESHOLD; ++method) {
        GrayImage image;
        ASSERT_TRUE(image.allocate(40, 5, 0));
        BitImage bits;
        ASSERT_TRUE(ditherGray(image, method, bits));
        EXPECT_EQ(whiteCount(bits), 0) << method;
        ASSERT_TRUE(image.allocate(40, 5, 255));
        ASSERT_TRUE(ditherGray(image, method, bits));
        EXPECT_EQ(whiteCount(bits), 200) << method;
        // Padding bits of each row stay clear.
        for (int row = 0; row < 5; ++row)
            EXPECT_EQ(bits.bits[row * bits.stride() + 5], 0) << method;
    }
}

TEST(Dithers, UnknownMethodOrEmptySourceFails)
{
    GrayImage image;
    BitImage bits;
    EXPECT_FALSE(ditherGray(image, DITHER_THRESHOLD, bits));
    ASSERT_TRUE(image.allocate(4, 4, 9));
    EXPECT_FALSE(ditherGray(image, 0, bits));
    EXPECT_FALSE(ditherGray(image, 6, bits));
}
