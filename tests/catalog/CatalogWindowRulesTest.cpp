#include "catalog/CatalogWindowRules.h"

#include <gtest/gtest.h>

#include "catalog/DeletionGuard.h"

namespace {

// Every byte 6 pixels wide, like a 12-pixel fixed-pitch font's half-width characters.
int fixedWidth(const char*, int length)
{
    return 6 * length;
}

TEST(RenameField, StartsBelowTheThumbnailBox)
{
    const GridRect r = renameFieldRect({302, 382});
    EXPECT_EQ(r.x, 307);
    EXPECT_EQ(r.y, 512);
    EXPECT_EQ(r.w, 140);
    EXPECT_EQ(r.h, 40);
}

TEST(RenameField, GrowsFromTheThirdLineByTwelvePixelsALine)
{
    GridRect field;
    EXPECT_FALSE(fitRenameField({2, 22}, 1, 1, 700, field));
    EXPECT_FALSE(fitRenameField({2, 22}, 2, 1, 700, field));
    ASSERT_TRUE(fitRenameField({2, 22}, 3, 1, 700, field));
    EXPECT_EQ(field.x, 7);
    EXPECT_EQ(field.y, 152);
    EXPECT_EQ(field.w, 140);
    EXPECT_EQ(field.h, 40); // 12 × 3 + 4
    ASSERT_TRUE(fitRenameField({2, 22}, 4, 3, 700, field));
    EXPECT_EQ(field.h, 52);
    // Same count as last time: nothing to do.
    EXPECT_FALSE(fitRenameField({2, 22}, 4, 4, 700, field));
}

TEST(RenameField, NeverPassesTheWindowBottomLessTwo)
{
    GridRect field;
    // Cell at Y 382: top 512; ten lines want 124 pixels but the window ends at 600.
    ASSERT_TRUE(fitRenameField({2, 382}, 10, 3, 600, field));
    EXPECT_EQ(field.y, 512);
    EXPECT_EQ(field.y + field.h, 598);
}

TEST(RenameField, TopIsRaisedUnderTheMenuBar)
{
    GridRect field;
    // A cell scrolled mostly out of view above: its Y + 130 is 10.
    ASSERT_TRUE(fitRenameField({2, -120}, 3, 1, 600, field));
    EXPECT_EQ(field.y, 36);
    EXPECT_EQ(field.h, 40);
}

TEST(RenameFieldLines, CountsNewlinesAndWrapsAtBlanks)
{
    EXPECT_EQ(wrappedLineCount("", 130, fixedWidth), 1);
    EXPECT_EQ(wrappedLineCount("vol1.zip", 130, fixedWidth), 1);
    EXPECT_EQ(wrappedLineCount("a\nb\nc", 130, fixedWidth), 3);
    EXPECT_EQ(wrappedLineCount("abc\n", 130, fixedWidth), 2);
    // 21 bytes fit in 130 pixels; the third word passes it and starts line 2.
    EXPECT_EQ(wrappedLineCount("aaaaaaaaa bbbbbbbbb ccccc", 130, fixedWidth), 2);
    EXPECT_EQ(
        wrappedLineCount("aaaaaaaaa bbbbbbbbb ccccc ddddddddd eeeeeeeee fffff", 130, fixedWidth),
        3);
}

TEST(RenameFieldLines, AWordWiderThanTheFieldStaysOnItsLine)
{
    const std::string longWord(60, 'x');
    EXPECT_EQ(wrappedLineCount(longWord, 130, fixedWidth), 1);
    EXPECT_EQ(wrappedLineCount("a " + longWord, 130, fixedWidth), 2);
    EXPECT_EQ(wrappedLineCount(longWord + " " + longWord, 130, fixedWidth), 2);
}

TEST(RenameTab, MovesToNeighboursWithinTheList)
{
    EXPECT_EQ(nextRenameTarget(0, 3, false), 1);
    EXPECT_EQ(nextRenameTarget(1, 3, false), 2);
    EXPECT_EQ(nextRenameTarget(2, 3, false), -1); // Tab on the last entry
    EXPECT_EQ(nextRenameTarget(2, 3, true), 1);
    EXPECT_EQ(nextRenameTarget(0, 3, true), -1); // Shift+Tab on the first
    EXPECT_EQ(nextRenameTarget(-1, 3, true), -1);
    EXPECT_EQ(nextRenameTarget(0, 1, false), -1);
}

TEST(CatalogWheel, ScrollsOneRowANotchWithinThePage)
{
    // Page 1800 high in an area 600 high: positions 0 .. 1204.
    EXPECT_EQ(wheelScrollPosition(0, -120, 1800, 600), 180);
    EXPECT_EQ(wheelScrollPosition(180, 120, 1800, 600), 0);
    EXPECT_EQ(wheelScrollPosition(0, 120, 1800, 600), 0);
    EXPECT_EQ(wheelScrollPosition(1100, -240, 1800, 600), 1204);
    // A fine-resolution wheel's half notch does not move the catalog.
    EXPECT_EQ(wheelScrollPosition(360, 60, 1800, 600), 360);
    // A page that fits the area does not scroll.
    EXPECT_EQ(wheelScrollPosition(0, -120, 540, 600), 0);
}

TEST(CatalogHideRule, ClosingTheCatalogFrameClosesTheMainWindow)
{
    HideRuleAction a = hideRuleAction(false, false, false, true, false);
    EXPECT_FALSE(a.restoreMain);
    EXPECT_TRUE(a.closeMain);
    a = hideRuleAction(false, false, false, true, true);
    EXPECT_TRUE(a.restoreMain);
    EXPECT_TRUE(a.closeMain);
}

TEST(CatalogHideRule, OtherHidesLeaveTheMainWindowAlone)
{
    // Iconified, not gone.
    HideRuleAction a = hideRuleAction(true, false, false, true, false);
    EXPECT_FALSE(a.restoreMain || a.closeMain);
    // "閉じる" of the catalog sets closingCatalog.
    a = hideRuleAction(false, false, true, true, false);
    EXPECT_FALSE(a.restoreMain || a.closeMain);
    // Deleted by the program (quit, main window hidden).
    a = hideRuleAction(false, true, false, true, false);
    EXPECT_FALSE(a.restoreMain || a.closeMain);
    // The main window is already gone.
    a = hideRuleAction(false, false, false, false, false);
    EXPECT_FALSE(a.restoreMain || a.closeMain);
}

TEST(CatalogDeletion, WaitsForTheOutermostRunToReturn)
{
    DeletionGuard guard;
    EXPECT_TRUE(guard.requestDeletion() && !guard.running());

    DeletionGuard nested;
    nested.enter();
    nested.enter();
    EXPECT_FALSE(nested.requestDeletion());
    EXPECT_FALSE(nested.leave());
    EXPECT_TRUE(nested.running());
    EXPECT_TRUE(nested.leave());
    EXPECT_FALSE(nested.running());
}

TEST(CatalogDeletion, RunsWithoutARequestNeverAskForDeletion)
{
    DeletionGuard guard;
    guard.enter();
    EXPECT_FALSE(guard.leave());
    EXPECT_FALSE(guard.deletionRequested());
    EXPECT_FALSE(guard.leave()); // an unbalanced leave stays at zero
}

} // namespace
