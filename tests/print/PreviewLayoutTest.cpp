// The print dialog preview's paper and page slots.

#include "print/PreviewLayout.h"

#include <gtest/gtest.h>

TEST(PreviewPaper, PortraitAndLandscapeCentredInTheBox)
{
    const PreviewPaper portrait = previewPaper(1, 200, 200);
    EXPECT_EQ(portrait.width, 141);
    EXPECT_EQ(portrait.height, 200);
    EXPECT_EQ(portrait.printableWidth, 138);
    EXPECT_EQ(portrait.printableHeight, 196);
    EXPECT_EQ(portrait.offsetX, 29); // (200 - 141) div 2
    EXPECT_EQ(portrait.offsetY, 0);

    const PreviewPaper landscape = previewPaper(2, 200, 200);
    EXPECT_EQ(landscape.width, 200);
    EXPECT_EQ(landscape.height, 141);
    EXPECT_EQ(landscape.printableWidth, 196);
    EXPECT_EQ(landscape.printableHeight, 138);
    EXPECT_EQ(landscape.offsetX, 0);
    EXPECT_EQ(landscape.offsetY, 29);

    // Any value but portrait's 1 is landscape, as the printer's record says it.
    EXPECT_EQ(previewPaper(0, 200, 200).width, 200);
    // A box smaller than the paper gives negative offsets rather than a moved paper.
    EXPECT_EQ(previewPaper(1, 100, 150).offsetX, -20);
    EXPECT_EQ(previewPaper(1, 100, 150).offsetY, -25);
}

TEST(PreviewSlots, PagesFollowTheLayoutAndTheBinding)
{
    EXPECT_EQ(previewSlotPages(0, true, 4, 5), (std::vector<int>{4}));
    EXPECT_EQ(previewSlotPages(1, true, 4, 5), (std::vector<int>{5, 4}));
    EXPECT_EQ(previewSlotPages(1, false, 4, 5), (std::vector<int>{4, 5}));
    // Stacked pages read top to bottom whatever the binding.
    EXPECT_EQ(previewSlotPages(2, true, 4, 5), (std::vector<int>{4, 5}));
    EXPECT_EQ(previewSlotPages(2, false, -1, 0), (std::vector<int>{-1, 0}));
}

TEST(PreviewSlots, OnePageFillsThePrintableAreaCentredOnThePaper)
{
    const PreviewPaper paper = previewPaper(1, 200, 200);
    // A 200 × 300 page: min(138/200, 196/300) = 0.6533 (height bound).
    const PreviewSlot tall = previewSlot(paper, 0, 0, 3, 200, 300);
    EXPECT_EQ(tall.page, 3);
    EXPECT_FLOAT_EQ(tall.scale, 196.0f / 300.0f);
    EXPECT_EQ(tall.x, 5); // (141 - 130.67) / 2 = 5.17
    EXPECT_EQ(tall.y, 2); // (200 - 196) / 2
    // A wide page is bound by the width.
    const PreviewSlot wide = previewSlot(paper, 0, 0, 0, 400, 200);
    EXPECT_FLOAT_EQ(wide.scale, 138.0f / 400.0f);
    EXPECT_EQ(wide.x, 1);  // (141 - 138) / 2
    EXPECT_EQ(wide.y, 65); // (200 - 69) / 2 = 65.5
}

TEST(PreviewSlots, SideBySideUsesHalfThePrintableWidth)
{
    const PreviewPaper paper = previewPaper(2, 200, 200); // 200 × 141, printable 196 × 138
    // 200 × 300: min(98/200, 138/300) = 0.46 (height bound): 92 × 138.
    const PreviewSlot left = previewSlot(paper, 1, 0, 1, 200, 300);
    const PreviewSlot right = previewSlot(paper, 1, 1, 0, 200, 300);
    EXPECT_FLOAT_EQ(left.scale, 138.0f / 300.0f);
    EXPECT_EQ(left.x, 4);        // (100 - 92) / 2
    EXPECT_EQ(right.x, 100 + 4); // in the right half
    EXPECT_EQ(left.y, 1);        // (141 - 138) / 2 = 1.5
    EXPECT_EQ(right.y, left.y);
    // On portrait paper: printable 138 div 2 = 69 across: min(69/200, 196/300) = 0.345.
    const PreviewSlot narrow = previewSlot(previewPaper(1, 200, 200), 1, 1, 0, 200, 300);
    EXPECT_FLOAT_EQ(narrow.scale, 69.0f / 200.0f);
    EXPECT_EQ(narrow.x, 70 + 0); // half 141 div 2 = 70; (70 - 69) / 2 = 0.5
    EXPECT_EQ(narrow.y, 48);     // (200 - 103.5) / 2 = 48.25
}

TEST(PreviewSlots, StackedUsesHalfThePrintableHeight)
{
    const PreviewPaper paper = previewPaper(1, 200, 200); // 141 × 200, printable 138 × 196
    // 300 × 200: min(138/300, 98/200) = 0.46: 138 × 92.
    const PreviewSlot upper = previewSlot(paper, 2, 0, 0, 300, 200);
    const PreviewSlot lower = previewSlot(paper, 2, 1, 1, 300, 200);
    EXPECT_FLOAT_EQ(upper.scale, 138.0f / 300.0f);
    EXPECT_EQ(upper.x, 1); // (141 - 138) / 2 = 1.5
    EXPECT_EQ(upper.y, 4); // (100 - 92) / 2
    EXPECT_EQ(lower.x, upper.x);
    EXPECT_EQ(lower.y, 100 + 4);
}

TEST(PreviewSlots, APictureWithoutSizeHasNoScale)
{
    const PreviewPaper paper = previewPaper(1, 200, 200);
    EXPECT_EQ(previewSlot(paper, 0, 0, 2, 0, 100).scale, 0.0f);
    EXPECT_EQ(previewSlot(paper, 1, 1, 2, 100, -1).scale, 0.0f);
}
