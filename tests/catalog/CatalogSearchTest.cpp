#include "catalog/CatalogSearch.h"

#include <gtest/gtest.h>

#include "CatalogTestSupport.h"

using namespace catalogtest;

TEST(CatalogSearch, SubstringModeIgnoresCase)
{
    EXPECT_TRUE(entryMatches("book.zip", "ZIP", kSearchSubstring));
    EXPECT_TRUE(entryMatches("BOOK.ZIP", "ok.z", kSearchSubstring));
    EXPECT_TRUE(entryMatches("漫画ＢＯＯＫ.zip", "ｂｏｏｋ", kSearchSubstring));
    EXPECT_TRUE(entryMatches("第1巻.zip", "1巻", kSearchSubstring));
    EXPECT_FALSE(entryMatches("book.zip", "rar", kSearchSubstring));
    EXPECT_FALSE(entryMatches("book.zip", "book.zip.", kSearchSubstring));
}

TEST(CatalogSearch, PatternModeMatchesTheWholeName)
{
    EXPECT_TRUE(entryMatches("vol1.zip", "*[0-9].zip", kSearchPattern));
    EXPECT_FALSE(entryMatches("vol1.rar", "*[0-9].zip", kSearchPattern));
    EXPECT_TRUE(entryMatches("VOL1.ZIP", "*[0-9].zip", kSearchPattern));
    EXPECT_FALSE(entryMatches("vol1.zip", "vol", kSearchPattern));
    EXPECT_TRUE(entryMatches("vol1.zip", "vol?.zip", kSearchPattern));
    EXPECT_TRUE(entryMatches("b.rar", "{a,b}.*", kSearchPattern));
    EXPECT_TRUE(entryMatches("x.zip", "[!a-c].zip", kSearchPattern));
    EXPECT_FALSE(entryMatches("b.zip", "[!a-c].zip", kSearchPattern));
}

TEST(CatalogSearch, PatternsTakeJapaneseNamesCharacterByCharacter)
{
    EXPECT_TRUE(entryMatches("第3巻.zip", "?3巻.zip", kSearchPattern));
    EXPECT_FALSE(entryMatches("第3巻.zip", "??3巻.zip", kSearchPattern));
    EXPECT_TRUE(entryMatches("第3巻.zip", "[第続]3巻.zip", kSearchPattern));
    EXPECT_FALSE(entryMatches("続3巻.zip", "[!続]3巻.zip", kSearchPattern));
    EXPECT_TRUE(entryMatches("ぬ.zip", "[あ-ん].zip", kSearchPattern));
    EXPECT_TRUE(entryMatches("上巻.zip", "{上,下}巻.zip", kSearchPattern));
    EXPECT_TRUE(
        entryMatches("ＶＯＬ.zip", "ｖｏｌ.*", kSearchPattern)); // full-width letters fold too
}

TEST(CatalogSearch, ForwardContinuesAfterTheLastHit)
{
    const std::vector<bool> hits = {false, true, false, true, false};
    auto matches = [&](int i) { return static_cast<bool>(hits[i]); };
    EXPECT_EQ(searchForward(5, -1, matches), 1);
    EXPECT_EQ(searchForward(5, 1, matches), 3);
    EXPECT_EQ(searchForward(5, 3, matches), -1);
    EXPECT_EQ(searchForward(0, -1, matches), -1);
}

TEST(CatalogSearch, ForwardAtTheFinalEntryTestsNothing)
{
    int tested = 0;
    auto matches = [&](int) { return ++tested, true; };
    EXPECT_EQ(searchForward(5, 4, matches), -1);
    EXPECT_EQ(searchForward(5, 9, matches), -1);
    EXPECT_EQ(searchForward(5, -2, matches), -1);
    EXPECT_EQ(tested, 0);
}

TEST(CatalogSearch, BackwardStartsFromTheLastEntryAfterTheDialog)
{
    std::vector<int> order;
    auto none = [&](int i) { return order.push_back(i), false; };
    EXPECT_EQ(searchBackward(4, -1, none), -1);
    EXPECT_EQ(order, (std::vector<int>{3, 2, 1, 0}));
    order.clear();
    EXPECT_EQ(searchBackward(4, 2, none), -1);
    EXPECT_EQ(order, (std::vector<int>{1, 0}));
    order.clear();
    EXPECT_EQ(searchBackward(4, 4, none), -1);
    EXPECT_EQ(searchBackward(4, 0, none), -1);
    EXPECT_TRUE(order.empty());
    auto even = [](int i) { return i % 2 == 0; };
    EXPECT_EQ(searchBackward(4, -1, even), 2);
    EXPECT_EQ(searchBackward(4, 2, even), 0);
}

TEST(CatalogSearch, OverTheCatalogNames)
{
    CatalogEntries entries = {makeEntry("a.rar", 0, 0), makeEntry("book.zip", 0, 0),
                              makeEntry("vol1.zip", 0, 0), makeEntry("vol1.rar", 0, 0)};
    EXPECT_EQ(searchForward(entries, "ZIP", kSearchSubstring, -1), 1);
    EXPECT_EQ(searchForward(entries, "ZIP", kSearchSubstring, 1), 2);
    EXPECT_EQ(searchForward(entries, "ZIP", kSearchSubstring, 2), -1);
    EXPECT_EQ(searchBackward(entries, "*[0-9].zip", kSearchPattern, -1), 2);
    EXPECT_EQ(searchForward(entries, "", kSearchSubstring, -1), kSearchNotRun);
    EXPECT_EQ(searchForward(CatalogEntries{}, "a", kSearchSubstring, -1), kSearchNotRun);
}

TEST(CatalogSearch, FieldTextIsCutToOneHundredTwentySixBytes)
{
    EXPECT_EQ(searchTextFromField(std::string(200, 'a')).size(), 126u);
    std::string kana;
    for (int i = 0; i < 50; ++i)
        kana += "か";
    EXPECT_EQ(searchTextFromField(kana).size(), 126u); // 42 characters
    EXPECT_EQ(searchTextFromField("x" + kana).size(), 124u);
}
