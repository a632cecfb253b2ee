// Zooming in the reading model: the accepted range and its boxes, the typed zoom, the zoom a
// book opens at, fits computed from the real pictures of the spread, the fit remembered until
// another zoom, and the end of a live zoom.

#include <gtest/gtest.h>

#include "ReadingTestSupport.h"
#include "reading/ZoomMath.h"

using readingtest::Reader;
using readingtest::Shelf;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using Boxes = std::vector<std::string>;

TEST(ReadingZoom, OneToFourHundredPercentIsAcceptedAndTheRestRefusedWithABox)
{
    Shelf shelf;
    Reader r;
    ReadingChange c = r.setZoom(400);
    EXPECT_FLOAT_EQ(r.zoomPercent, 400);
    EXPECT_TRUE(c.zoomField && c.window);
    EXPECT_EQ(c.prefetch, 1); // the next spread, at the new zoom
    (void)r.setZoom(1);
    EXPECT_FLOAT_EQ(r.zoomPercent, 1);
    c = r.setZoom(400.5f);
    EXPECT_FALSE(c.zoomField);
    (void)r.setZoom(0.99f);
    EXPECT_FLOAT_EQ(r.zoomPercent, 1);
    EXPECT_EQ(shelf.boxes,
              (Boxes{"Error: デカ過ぎ\nメモリなくなっちゃうよ\n", "Error: 小さ過ぎ\n"}));
    EXPECT_FALSE(r.setZoom(1).window); // the same zoom changes nothing
    (void)r.setZoom(33.9f);
    EXPECT_EQ(r.zoomText(), "33");
}

TEST(ReadingZoom, TheTypedZoomTakesItsLeadingNumber)
{
    Shelf shelf;
    Reader r;
    EXPECT_TRUE(r.zoomFromText("150").zoomField);
    EXPECT_FLOAT_EQ(r.zoomPercent, 150);
    (void)r.zoomFromText("12.5x");
    EXPECT_FLOAT_EQ(r.zoomPercent, 12.5f);
    (void)r.zoomFromText("0");
    (void)r.zoomFromText("pages");
    (void)r.zoomFromText("500");
    EXPECT_FLOAT_EQ(r.zoomPercent, 12.5f);
    EXPECT_EQ(shelf.boxes, (Boxes{"Error: 入力が不正です", "Error: 入力が不正です",
                                  "Error: デカ過ぎ\nメモリなくなっちゃうよ\n"}));
}

TEST(ReadingZoom, ABookOpensWhereTwoFirstPagesFitTheView)
{
    Shelf shelf;
    Reader r;
    (void)r.setZoom(150);
    // 1000 × 1400 pages in a 700 × 600 area: min(696 / 2000, 596 / 1400) = 34.8 %.
    const ReadingChange c =
        r.openBook(shelf.zipBook("big.zip", {{1000, 1400}, {1000, 1400}}), r.cache, 700, 600);
    EXPECT_TRUE(c.zoomField);
    EXPECT_NEAR(r.zoomPercent, 34.8f, 0.01f);
    EXPECT_EQ(r.zoomText(), "34");
    // A tiny cover would ask for more than 400 %: the opening zoom stops there.
    (void)r.openBook(shelf.zipBook("tiny.zip", {{30, 40}}), r.cache, 1004, 704);
    EXPECT_FLOAT_EQ(r.zoomPercent, 400);
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(ReadingZoom, FitsMeasureTheCurrentSpreadsPictures)
{
    Shelf shelf;
    Reader r;
    (void)r.open(shelf.zipBook("fit.zip", {{1000, 1400}, {1500, 1000}, {1500, 1000}}));
    (void)r.setZoom(100);
    // The first spread is page 1 alone: counted twice, a spread of 2000 × 1400 in 1004 × 704.
    CaptureStderr();
    ReadingChange c = r.fit(RSZ_H2V1, r.cache, 1004, 704);
    EXPECT_EQ(GetCapturedStderr().rfind("calcjustscale 1 called\n", 0), 0u);
    EXPECT_TRUE(c.scrollToOrigin && c.zoomField);
    EXPECT_FLOAT_EQ(r.zoomPercent, 50);
    EXPECT_EQ(r.lastFitMode, RSZ_H2V1);
    // Pages 2 and 3 make 3000 × 1000: 700 / 1000 would be 2100 wide, so a bar comes off.
    (void)r.forwardPage(JUMP_TO_START);
    (void)r.fit(RSZ_H0V1, r.cache, 1004, 704);
    EXPECT_NEAR(r.zoomPercent, 68.4f, 0.001f);
    EXPECT_EQ(r.lastFitMode, RSZ_H0V1);
    // One page's width: at 1000 / 1500 the spread is 2000 × 667, which needs no vertical bar.
    EXPECT_FLOAT_EQ(r.calcjustscale(RSZ_H1V0, r.cache, 1004, 704), 1000.0f / 1500.0f);
    EXPECT_EQ(r.lastFitMode, RSZ_H0V1); // measuring changes nothing
}

TEST(ReadingZoom, TheLastFitLastsUntilAnotherZoomChange)
{
    Shelf shelf;
    Reader r;
    (void)r.open(shelf.zipBook("fit.zip", {{1000, 1400}, {1000, 1400}}));
    EXPECT_EQ(r.lastFitMode, ReadingModel::kNoFit);
    (void)r.fit(RSZ_H2V1, r.cache, 1004, 704);
    ASSERT_EQ(r.lastFitMode, RSZ_H2V1);
    (void)r.endLiveZoom(r.zoomPercent); // ended where it began: the zoom did not change
    EXPECT_EQ(r.lastFitMode, RSZ_H2V1);
    (void)r.forwardPage(JUMP_TO_START);
    EXPECT_EQ(r.lastFitMode, RSZ_H2V1);
    (void)r.setZoom(75);
    EXPECT_EQ(r.lastFitMode, ReadingModel::kNoFit);
    (void)r.fit(RSZ_H2V0, r.cache, 1004, 704);
    EXPECT_EQ(r.lastFitMode, RSZ_H2V0);
    (void)r.endLiveZoom(120);
    EXPECT_EQ(r.lastFitMode, ReadingModel::kNoFit);
    (void)r.fit(RSZ_H2V1, r.cache, 1004, 704);
    (void)r.open(shelf.zipBook("other.zip", {{1000, 1400}}));
    EXPECT_EQ(r.lastFitMode, ReadingModel::kNoFit);
}

TEST(ReadingZoom, ARefusedFitScrollsBeforeItsBoxAndLeavesNoFit)
{
    Shelf shelf;
    Reader r;
    (void)r.open(shelf.zipBook("tiny.zip", {{30, 40}, {30, 40}}));
    (void)r.setZoom(100);
    std::vector<std::string> order;
    setDialogResponder([&](const DialogRequest& request, DialogAnswer&) {
        order.push_back(request.text);
        return true;
    });
    const ReadingChange rest = r.fit(RSZ_H2V1, r.cache, 1004, 704, [&](const ReadingChange& c) {
        order.push_back(c.scrollToOrigin ? "to the origin" : "?");
    });
    EXPECT_EQ(order, (Boxes{"to the origin", "デカ過ぎ\nメモリなくなっちゃうよ\n"}));
    EXPECT_FALSE(rest.scrollToOrigin || rest.zoomField);
    EXPECT_FLOAT_EQ(r.zoomPercent, 100);
    EXPECT_EQ(r.lastFitMode, ReadingModel::kNoFit);
}

TEST(ReadingZoom, ALiveZoomEndsKeepingThePointAndShowingTheZoomInForce)
{
    Shelf shelf;
    Reader r;
    (void)r.open(shelf.pages("live.zip", 4));
    (void)r.setZoom(100);
    ReadingChange c = r.endLiveZoom(150);
    EXPECT_FLOAT_EQ(r.zoomPercent, 150);
    EXPECT_EQ(r.takeJumpRequest(), JUMP_TO_SAVED);
    // Refused: the field, which showed the preview's zoom, goes back to 150.
    c = r.endLiveZoom(500);
    EXPECT_TRUE(c.zoomField && c.window);
    EXPECT_EQ(r.zoomText(), "150");
    EXPECT_EQ(r.takeJumpRequest(), JUMP_TO_SAVED);
    EXPECT_EQ(shelf.boxes, Boxes{"Error: デカ過ぎ\nメモリなくなっちゃうよ\n"});
}

TEST(ReadingZoom, WithoutABookFitsDoNothing)
{
    Shelf shelf;
    Reader r;
    EXPECT_FLOAT_EQ(r.calcjustscale(RSZ_H2V1, r.cache, 1004, 704), 1.0f);
    const ReadingChange c = r.fit(RSZ_H2V1, r.cache, 1004, 704);
    EXPECT_FALSE(c.scrollToOrigin || c.zoomField);
    EXPECT_EQ(r.lastFitMode, ReadingModel::kNoFit);
}
