#include "print/PixelOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingDevice.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(NupShrink, IsSinglePrecisionAndTruncating)
{
    int w = 2000, h = 2800;
    nupShrink(w, h); // g = 0.7f, a little below 0.7
    EXPECT_EQ(w, 1399);
    EXPECT_EQ(h, 1959);
    w = 2800;
    h = 2000;
    nupShrink(w, h);
    EXPECT_EQ(w, 1959);
    EXPECT_EQ(h, 1399);
    w = h = 1000; // e = 1, f = 0.5
    nupShrink(w, h);
    EXPECT_EQ(w, 500);
    EXPECT_EQ(h, 500);
}

TEST(NupShrink, LeavesEmptySizesAlone)
{
    int w = 0, h = 100;
    nupShrink(w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 100);
}

TEST(PlanPrintBlit, StepsPerNupChoice)
{
    const int expected[] = {2000, 1000, 500, 250, 250, 2000};
    for (int index = 0; index <= 5; ++index) {
        const PrintBlitPlan p = planPrintBlit(2000, 2000, 1000, 1000, 1000, 1000, index);
        EXPECT_EQ(p.fullWidth, 2000);
        EXPECT_EQ(p.fullHeight, 2000);
        EXPECT_EQ(p.width, expected[index]) << index;
        EXPECT_EQ(p.height, expected[index]) << index;
        EXPECT_FLOAT_EQ(p.scale, expected[index] / 2000.0f) << index;
        EXPECT_EQ(p.regionWidth, expected[index]) << index;
    }
}

TEST(PlanPrintBlit, UnevenScales)
{
    // A 1500 × 2100 page into 3143 × 4401 dots: rx = 2.0953…, ry = 2.0957…
    const PrintBlitPlan p = planPrintBlit(3143, 4401, 1500, 2100, 1500, 2100, 0);
    EXPECT_EQ(p.fullWidth, 3143);
    EXPECT_EQ(p.fullHeight, 4401);
    EXPECT_EQ(p.regionWidth, 3143);
    EXPECT_EQ(p.regionHeight, 4401);
    const PrintBlitPlan bad = planPrintBlit(0, 10, 10, 10, 10, 10, 1);
    EXPECT_EQ(bad.width, 0);
}

TEST(PrintBlit, NupOneBinarisesAtHalfSizeAndStretchesToTheDestination)
{
    const auto picture = solidPicture(1000, 1000, 128, 128, 128);
    RecordingDevice dc;
    CaptureStderr();
    const int rows =
        printBlit(dc, 10, 20, 2000, 2000, 1000, 1000, picture.data(), 1000, 1000, 1, 1);
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(rows, 1000);
    EXPECT_NE(trace.find("-- nup補正\n   2000x2000 → 1000x1000 (x500/1000)\n"), std::string::npos)
        << trace;
    EXPECT_NE(trace.find("   src region 1000x1000+0+0 → 1000x1000+0+0\n"), std::string::npos)
        << trace;
    ASSERT_EQ(dc.calls.size(), 1u);
    const RecordedDraw& d = dc.calls[0];
    EXPECT_EQ(d.kind, "bits1");
    EXPECT_EQ(d.width, 1000);
    EXPECT_EQ(d.height, 1000);
    EXPECT_EQ(d.dest.x, 10);
    EXPECT_EQ(d.dest.y, 20);
    EXPECT_EQ(d.dest.width, 2000);
    EXPECT_EQ(d.dest.height, 2000);
    EXPECT_EQ(d.source.x, 0);
    EXPECT_EQ(d.source.y, 0);
    EXPECT_EQ(d.source.width, 1000);
    EXPECT_EQ(d.source.height, 1000);
}

TEST(PrintBlit, NupZeroBinarisesAtTheDestinationSize)
{
    const auto picture = solidPicture(1000, 1000, 255, 255, 255);
    RecordingDevice dc;
    CaptureStderr();
    printBlit(dc, 0, 0, 2000, 2000, 1000, 1000, picture.data(), 1000, 1000, 5, 0);
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(trace.find("   2000x2000 → 2000x2000 (x1000/1000)\n"), std::string::npos) << trace;
    ASSERT_EQ(dc.calls.size(), 1u);
    EXPECT_EQ(dc.calls[0].width, 2000);
    EXPECT_EQ(dc.calls[0].source.width, 2000);
    // White everywhere, padding bits clear: 2000 bits = 62 full words and 16 bits.
    const std::vector<unsigned char>& bits = dc.calls[0].bytes;
    EXPECT_EQ(bits.size(), 252u * 2000u);
    EXPECT_EQ(bits[0], 0xFF);
    EXPECT_EQ(bits[249], 0xFF);
    EXPECT_EQ(bits[250], 0x00);
}

TEST(PrintBlit, DitherModeZeroSendsGreyAtThePictureSize)
{
    const auto picture = solidPicture(30, 20, 0, 0, 255); // pure red: grey 76
    RecordingDevice dc;
    CaptureStderr();
    printBlit(dc, 5, 6, 300, 200, 30, 20, picture.data(), 30, 20, 0, 2);
    EXPECT_EQ(GetCapturedStderr(), ""); // no N-up correction for grey
    ASSERT_EQ(dc.calls.size(), 1u);
    const RecordedDraw& d = dc.calls[0];
    EXPECT_EQ(d.kind, "gray8");
    EXPECT_EQ(d.width, 30);
    EXPECT_EQ(d.height, 20);
    EXPECT_EQ(d.dest.width, 300);
    EXPECT_EQ(d.source.width, 30);
    EXPECT_EQ(d.source.height, 20);
    ASSERT_EQ(d.bytes.size(), 32u * 20u);
    EXPECT_NEAR(d.bytes[0], 76, 1);
    EXPECT_NEAR(d.bytes[32 * 19 + 29], 76, 1);
}

TEST(PrintBlit, ThirtyThreeDotRowsTakeEightBytes)
{
    // Left half black, right half white, threshold: exact bits.
    std::vector<unsigned char> picture = solidPicture(33, 2, 255, 255, 255);
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 16; ++x)
            for (int c = 0; c < 3; ++c)
                picture[row * 100 + x * 3 + c] = 0;
    RecordingDevice dc;
    CaptureStderr();
    printBlit(dc, 0, 0, 33, 2, 33, 2, picture.data(), 33, 2, 5, 0);
    GetCapturedStderr();
    ASSERT_EQ(dc.calls.size(), 1u);
    const std::vector<unsigned char>& bits = dc.calls[0].bytes;
    ASSERT_EQ(bits.size(), 16u);
    const std::vector<unsigned char> row = {0x00, 0x00, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::vector<unsigned char>(bits.begin(), bits.begin() + 8), row);
    EXPECT_EQ(std::vector<unsigned char>(bits.begin() + 8, bits.end()), row);
}

TEST(PrintBlit, RefusesMissingOrAbsurdPictures)
{
    RecordingDevice dc;
    CaptureStderr();
    EXPECT_EQ(printBlit(dc, 0, 0, 100, 100, 10, 10, nullptr, 10, 10, 1, 0), 0);
    const auto picture = solidPicture(10, 10, 1, 1, 1);
    // A destination of 200000 × 200000 dots would need a 40 GB grey picture.
    EXPECT_EQ(printBlit(dc, 0, 0, 200000, 200000, 10, 10, picture.data(), 10, 10, 1, 0), 0);
    GetCapturedStderr();
    EXPECT_TRUE(dc.calls.empty());
}

TEST(PageBlit, PassesTheBottomUpSourceRectangleThrough)
{
    // The top-left 10 × 10 of a 100 × 50 picture is source (0, 40).
    const auto picture = solidPicture(100, 50, 1, 2, 3);
    RecordingDevice dc;
    pageBlit(dc, 7, 8, 20, 20, 0, 40, 10, 10, picture.data(), 100, 50);
    ASSERT_EQ(dc.calls.size(), 1u);
    EXPECT_EQ(dc.calls[0].kind, "bgr24");
    EXPECT_EQ(dc.calls[0].source.y, 40);
    EXPECT_EQ(dc.calls[0].source.height, 10);
    EXPECT_EQ(dc.calls[0].dest.x, 7);
    EXPECT_EQ(dc.calls[0].dest.width, 20);
}

TEST(GrayBlit, SourceStartsAtTheOrigin)
{
    std::vector<unsigned char> gray(8 * 3, 9);
    RecordingDevice dc;
    grayBlit(5, 3, dc, 1, 2, 10, 6, 5, 3, gray.data());
    ASSERT_EQ(dc.calls.size(), 1u);
    EXPECT_EQ(dc.calls[0].kind, "gray8");
    EXPECT_EQ(dc.calls[0].source.x, 0);
    EXPECT_EQ(dc.calls[0].source.y, 0);
    EXPECT_EQ(dc.calls[0].source.width, 5);
    EXPECT_EQ(dc.calls[0].width, 5);
}
