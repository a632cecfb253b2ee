// Turning spreads in the reading model: pairing under both spread units and bindings, the
// pseudo last page, the list's lines and the line of the current spread, the scroll placement
// and the prefetch each turn asks for.

#include <gtest/gtest.h>

#include <random>

#include "ReadingTestSupport.h"
#include "reading/SpreadRules.h"

using readingtest::Reader;
using readingtest::Shelf;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using Lines = std::vector<std::string>;

namespace {

// Opens a book of `n` pages under binding `b` and spread shift `s`.
void openPages(Reader& r, Shelf& shelf, int n, int b, int s)
{
    r.setStartOptions(b, s);
    const ReadingChange opened = r.open(shelf.pages("book.zip", n));
    ASSERT_EQ(opened.opened, n > 0);
}

// The invariants every command keeps.
void expectInvariants(const Reader& r)
{
    EXPECT_EQ(r.currentPage % 2, 0);
    EXPECT_GE(r.currentPage, 0);
    if (r.bookOpen) {
        EXPECT_TRUE(r.book);
    }
    if (r.pageCount() > 0) {
        EXPECT_LE(r.currentPage, r.lastSpread());
        EXPECT_GE(r.currentLine(), 1);
        EXPECT_LE(r.currentLine(), r.lineCount());
        EXPECT_EQ(static_cast<int>(r.listLines().size()), r.lineCount());
    }
}

} // namespace

TEST(ReadingNavigation, FourPagesLoneFirstReachThePseudoLastPageThenStop)
{
    Shelf shelf;
    Reader r;
    openPages(r, shelf, 4, RIGHT_BINDING, 1);
    EXPECT_EQ(r.listLines(), (Lines{"1|", "  3|  2", "|  4"}));
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_EQ(r.currentLine(), 1);

    CaptureStderr();
    ReadingChange c = r.forwardPage(JUMP_TO_START);
    EXPECT_EQ(r.currentPage, 2);
    EXPECT_TRUE(c.spread);
    EXPECT_EQ(c.listLine, 2);
    EXPECT_EQ(c.prefetch, 3); // the spread after pages 2 and 3 (from 0)
    EXPECT_EQ(r.takeJumpRequest(), JUMP_TO_START);
    EXPECT_EQ(r.takeJumpRequest(), JUMP_NONE);
    c = r.forwardPage(JUMP_TO_TOP);
    EXPECT_EQ(r.currentPage, 4);
    EXPECT_EQ(c.listLine, 3);
    EXPECT_EQ(r.jumpRequest, JUMP_TO_TOP);
    c = r.forwardPage(JUMP_TO_START);
    EXPECT_FALSE(c.spread);
    EXPECT_EQ(c.prefetch, ReadingChange::kNoPrefetch);
    EXPECT_EQ(r.currentPage, 4);
    EXPECT_EQ(GetCapturedStderr(),
              "forward_page_cb\nforward_page_cb. forward to pseudo last page.\n");
    EXPECT_FALSE(r.canGoForward());
}

TEST(ReadingNavigation, PairedPagesLeftBindingEndOnALoneLastPage)
{
    Shelf shelf;
    Reader r;
    openPages(r, shelf, 5, LEFT_BINDING, 0);
    EXPECT_EQ(r.listLines(), (Lines{"  1|  2", "  3|  4", "  5|"}));
    (void)r.forwardPage(JUMP_TO_START);
    (void)r.forwardPage(JUMP_TO_START);
    EXPECT_EQ(r.currentPage, 4);
    EXPECT_EQ(r.lastSpread(), 4);
    EXPECT_FALSE(r.forwardPage(JUMP_TO_START).spread);

    // Five pages with the first alone: the last spread is full, no pseudo page follows.
    Reader full;
    openPages(full, shelf, 5, RIGHT_BINDING, 1);
    EXPECT_EQ(full.listLines(), (Lines{"1|", "  3|  2", "  5|  4"}));
    EXPECT_EQ(full.lastSpread(), 4);
}

TEST(ReadingNavigation, BackStopsAtTheFirstSpreadWithoutAPrefetch)
{
    Shelf shelf;
    Reader r;
    openPages(r, shelf, 6, RIGHT_BINDING, 1);
    (void)r.forwardPage(JUMP_TO_START);
    ReadingChange c = r.backPage(JUMP_TO_BOTTOM);
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_EQ(c.listLine, 1);
    EXPECT_EQ(c.prefetch, -3); // asks for page 0 only (prefetchPages drops -3 … -2)
    EXPECT_EQ(r.jumpRequest, JUMP_TO_BOTTOM);
    c = r.backPage(JUMP_NONE);
    EXPECT_FALSE(c.spread);
    EXPECT_EQ(c.prefetch, ReadingChange::kNoPrefetch);
    EXPECT_EQ(r.jumpRequest, JUMP_TO_BOTTOM); // a refused turn leaves the placement alone
}

TEST(ReadingNavigation, TheArrowsFollowTheBinding)
{
    Shelf shelf;
    Reader r;
    openPages(r, shelf, 6, RIGHT_BINDING, 1);
    (void)r.arrowTurn(true); // right binding: the left arrow goes forward
    EXPECT_EQ(r.currentPage, 2);
    EXPECT_EQ(r.takeJumpRequest(), JUMP_TO_START);
    (void)r.arrowTurn(false);
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_EQ(r.takeJumpRequest(), JUMP_NONE);

    const ReadingChange mirrored = r.setBinding(LEFT_BINDING);
    EXPECT_TRUE(mirrored.arrows && mirrored.list && mirrored.scrollArea);
    EXPECT_EQ(r.listLines(), (Lines{"|  1", "  2|  3", "  4|  5", "  6|"}));
    (void)r.arrowTurn(false); // left binding: the right arrow goes forward
    EXPECT_EQ(r.currentPage, 2);
    (void)r.arrowTurn(true);
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_FALSE(r.setBinding(LEFT_BINDING).list); // unchanged: nothing to redo
}

TEST(ReadingNavigation, ListLinesChooseTheirSpreadButNotTheCurrentOne)
{
    Shelf shelf;
    Reader r;
    openPages(r, shelf, 7, RIGHT_BINDING, 1);
    (void)r.forwardPage(JUMP_TO_TOP);
    (void)r.takeJumpRequest();
    CaptureStderr();
    ReadingChange c = r.jumpToLine(4);
    EXPECT_EQ(r.currentPage, 6); // pages 6 and 7 (from 1)
    EXPECT_TRUE(c.spread);
    EXPECT_EQ(c.listLine, 0); // the list chose the line itself
    EXPECT_EQ(c.prefetch, 7);
    EXPECT_EQ(r.jumpRequest, JUMP_NONE); // the scroll position stays
    EXPECT_FALSE(r.jumpToLine(4).spread);
    EXPECT_FALSE(r.jumpToLine(0).spread);
    EXPECT_FALSE(r.jumpToLine(5).spread); // past the last line
    EXPECT_EQ(GetCapturedStderr(), "JUMP callback (4)\n");
}

TEST(ReadingNavigation, ChangingTheUnitOnThePseudoLastPageKeepsRealPages)
{
    Shelf shelf;
    Reader r;
    openPages(r, shelf, 4, RIGHT_BINDING, 1);
    (void)r.forwardPage(JUMP_TO_START);
    (void)r.forwardPage(JUMP_TO_START);
    ASSERT_EQ(r.currentPage, 4);
    const ReadingChange c = r.toggleSpreadUnit();
    EXPECT_EQ(r.spreadShift, 0);
    EXPECT_EQ(r.currentPage, 2); // pages 3 and 4
    EXPECT_TRUE(c.list && c.spread && c.spreadUnitMark);
    EXPECT_EQ(r.listLines(), (Lines{"  2|  1", "  4|  3"}));
    EXPECT_EQ(r.currentLine(), 2);
}

TEST(ReadingNavigation, WithoutABookNothingTurnsAndTheUnitMarkIsPutBack)
{
    Shelf shelf;
    Reader r;
    openPages(r, shelf, 6, RIGHT_BINDING, 1);
    (void)r.forwardPage(JUMP_TO_START);
    (void)r.closeBook(r.cache);
    EXPECT_EQ(r.currentPage, 2); // kept until the next open
    EXPECT_FALSE(r.canGoBack());
    EXPECT_FALSE(r.backPage(JUMP_NONE).spread);
    EXPECT_FALSE(r.forwardPage(JUMP_NONE).spread);
    EXPECT_FALSE(r.arrowTurn(true).spread);
    EXPECT_TRUE(r.listLines().empty());
    const ReadingChange c = r.toggleSpreadUnit();
    EXPECT_TRUE(c.spreadUnitMark);
    EXPECT_FALSE(c.list);
    EXPECT_EQ(r.spreadShift, 1);
    // The binding may change without a book; it holds for the next one.
    EXPECT_TRUE(r.setBinding(LEFT_BINDING).arrows);
    (void)r.open(shelf.pages("next.zip", 3));
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_EQ(r.listLines(), (Lines{"|  1", "  2|  3"}));
}

TEST(ReadingNavigation, OnePageAndNoPage)
{
    Shelf shelf;
    Reader one;
    openPages(one, shelf, 1, RIGHT_BINDING, 1);
    EXPECT_EQ(one.listLines(), Lines{"1|"});
    EXPECT_FALSE(one.forwardPage(JUMP_TO_START).spread);
    Reader none;
    openPages(none, shelf, 0, RIGHT_BINDING, 0);
    EXPECT_TRUE(none.bookOpen);
    EXPECT_EQ(none.lastSpread(), 0);
    EXPECT_FALSE(none.forwardPage(JUMP_TO_START).spread);
}

TEST(ReadingNavigation, EveryCommandKeepsTheInvariants)
{
    // Random commands over books of 0 to 7 pages under every binding and unit.
    Shelf shelf;
    std::mt19937 random(16);
    for (int n = 0; n <= 7; ++n) {
        Reader r;
        openPages(r, shelf, n, static_cast<int>(random() % 2), static_cast<int>(random() % 2));
        for (int step = 0; step < 200; ++step) {
            switch (random() % 6) {
            case 0:
                (void)r.forwardPage(JUMP_TO_START);
                break;
            case 1:
                (void)r.backPage(JUMP_NONE);
                break;
            case 2:
                (void)r.arrowTurn(random() % 2 == 0);
                break;
            case 3:
                (void)r.jumpToLine(static_cast<int>(random() % 7) - 1);
                break;
            case 4:
                (void)r.toggleSpreadUnit();
                break;
            default:
                (void)r.setBinding(static_cast<int>(random() % 2));
                break;
            }
            expectInvariants(r);
            if (HasFailure())
                return;
        }
    }
}
