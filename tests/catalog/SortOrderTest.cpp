#include "catalog/SortOrder.h"

#include <gtest/gtest.h>

#include "CatalogTestSupport.h"

using namespace catalogtest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(SortOrder, NamesAscendCaseInsensitivelyInCp932Order)
{
    CatalogEntries entries = {makeEntry("_extra.zip", 0, 0), makeEntry("b.zip", 0, 0),
                              makeEntry("漢.zip", 0, 0),     makeEntry("A.zip", 0, 0),
                              makeEntry("か.zip", 0, 0),     makeEntry("a1.zip", 0, 0)};
    applySortOrder(entries, kSortByName, -1);
    EXPECT_EQ(namesOf(entries), (std::vector<std::string>{"A.zip", "a1.zip", "b.zip", "_extra.zip",
                                                          "か.zip", "漢.zip"}));
}

TEST(SortOrder, NamesFollowTheNaturalOrderSwitch)
{
    CatalogEntries entries = {makeEntry("巻10.zip", 0, 0), makeEntry("巻9.zip", 0, 0),
                              makeEntry("巻09.zip", 0, 0), makeEntry("_x.zip", 0, 0)};
    setNaturalNameOrder(true);
    applySortOrder(entries, kSortByName, -1);
    setNaturalNameOrder(false);
    EXPECT_EQ(namesOf(entries),
              (std::vector<std::string>{"_x.zip", "巻9.zip", "巻09.zip", "巻10.zip"}));
    applySortOrder(entries, kSortByName, -1);
    EXPECT_EQ(namesOf(entries),
              (std::vector<std::string>{"_x.zip", "巻09.zip", "巻10.zip", "巻9.zip"}));
}

TEST(SortOrder, DatesNewestFirstAsSignedSixtyFourBit)
{
    CatalogEntries entries = {makeEntry("old", 0, -100), makeEntry("new", 0, 0x100000000LL),
                              makeEntry("mid", 0, 0xFFFFFFFFLL), makeEntry("zero", 0, 0)};
    applySortOrder(entries, kSortByTime, -1);
    EXPECT_EQ(namesOf(entries), (std::vector<std::string>{"new", "mid", "zero", "old"}));
}

TEST(SortOrder, SizesLargestFirstAsSignedThirtyTwoBit)
{
    CatalogEntries entries = {makeEntry("neg", -1, 0), makeEntry("big", 0x7FFFFFFF, 0),
                              makeEntry("small", 10, 0), makeEntry("zero", 0, 0)};
    applySortOrder(entries, kSortBySize, -1);
    EXPECT_EQ(namesOf(entries), (std::vector<std::string>{"big", "small", "zero", "neg"}));
}

TEST(SortOrder, KeepsTheSelectedRecordSelectedAndTraces)
{
    CatalogEntries entries = {makeEntry("c.zip", 1, 10), makeEntry("a.zip", 3, 30),
                              makeEntry("b.zip", 2, 20)};
    CaptureStderr();
    int selected = applySortOrder(entries, kSortByName, 0); // c.zip
    EXPECT_EQ(GetCapturedStderr(), "current strategy=0\n");
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(entryName(*entries[selected]), "c.zip");
    selected = applySortOrder(entries, kSortByTime, selected);
    EXPECT_EQ(namesOf(entries), (std::vector<std::string>{"a.zip", "b.zip", "c.zip"}));
    EXPECT_EQ(selected, 2);
    selected = applySortOrder(entries, kSortBySize, 0); // a.zip, largest
    EXPECT_EQ(selected, 0);
    selected = applySortOrder(entries, kSortByName, 1);
    EXPECT_EQ(entryName(*entries[selected]), "b.zip");
}

TEST(SortOrder, OutOfRangeSelectionComesBackUnchanged)
{
    CatalogEntries entries = {makeEntry("b", 0, 0), makeEntry("a", 0, 0)};
    EXPECT_EQ(applySortOrder(entries, kSortByName, -1), -1);
    EXPECT_EQ(applySortOrder(entries, kSortByName, 2), 2);
    EXPECT_EQ(applySortOrder(entries, kSortByName, -7), -7);
}

TEST(SortOrder, NoCheckedOrderLeavesTheList)
{
    CatalogEntries entries = {makeEntry("b", 0, 0), makeEntry("a", 0, 0)};
    CaptureStderr();
    EXPECT_EQ(applySortOrder(entries, kSortNone, 1), 1);
    EXPECT_EQ(GetCapturedStderr(), "current strategy=-1\n");
    EXPECT_EQ(namesOf(entries), (std::vector<std::string>{"b", "a"}));
}

TEST(SortOrder, ModelFormDoesNotMarkModified)
{
    CatalogModel model;
    model.entries = {makeEntry("b", 0, 0), makeEntry("a", 0, 0)};
    model.selectedIndex = 0;
    model.sortOrder = kSortByName;
    applySortOrder(model);
    EXPECT_EQ(model.selectedIndex, 1);
    EXPECT_FALSE(model.modified);
}

TEST(SortOrder, ComparatorsAreStrictPredicates)
{
    auto a = makeEntry("x", 5, 5);
    auto b = makeEntry("X", 5, 5);
    EXPECT_FALSE(ByFileNameForEntry()(*a, *b));
    EXPECT_FALSE(ByFileNameForEntry()(*b, *a));
    EXPECT_FALSE(ByTimeForEntry()(*a, *b));
    EXPECT_FALSE(BySizeForEntry()(*a, *b));
}
