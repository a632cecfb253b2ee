#include "app/TestHooks.h"

#include <gtest/gtest.h>

TEST(TestHooks, WindowListNamesKnownWindowsFirstThenTheOthers)
{
    WindowNames names;
    EXPECT_EQ(windowList(names), "");
    names.main = true;
    names.loupe = true;
    names.catalog = true;
    names.others = "box:エラー";
    EXPECT_EQ(windowList(names), "main,catalog,loupe,box:エラー");
    names = WindowNames{};
    names.print = names.catProperty = names.tip = names.monitor = names.property = true;
    EXPECT_EQ(windowList(names), "monitor,property,catproperty,print,tip");
    names.menus = true;
    EXPECT_EQ(windowList(names), "monitor,property,catproperty,print,tip,menu");
}

TEST(TestHooks, StateFieldsHoldNoSeparators)
{
    EXPECT_EQ(stateField("a\tb\nc\rd"), "a b c d");
    EXPECT_EQ(stateField("/tmp/第1巻.zip (3 pages)"), "/tmp/第1巻.zip (3 pages)");
}

TEST(TestHooks, CacheLimitTakesWholeBytesInRangeOnly)
{
    EXPECT_EQ(parseCacheLimit("32000000"), 32000000u);
    EXPECT_EQ(parseCacheLimit("1"), 1u);
    EXPECT_EQ(parseCacheLimit("4294967295"), 4294967295u);
    for (const char* bad : {"", "0", "-5", " 5", "5MB", "4294967296", "99999999999999999999"})
        EXPECT_EQ(parseCacheLimit(bad), 0u) << bad;
    EXPECT_EQ(parseCacheLimit(nullptr), 0u);
}
