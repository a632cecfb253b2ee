#include "app/StartOptions.h"

#include <gtest/gtest.h>

namespace {

StartOptions parse(std::vector<std::string> args)
{
    return parseOptions(args);
}

} // namespace

TEST(StartOptions, DefaultsAreRightBindingWithALoneFirstPage)
{
    const StartOptions o = parse({});
    EXPECT_EQ(o.binding, RIGHT_BINDING);
    EXPECT_EQ(o.spreadShift, 1);
    EXPECT_FALSE(o.hasPath);
}

TEST(StartOptions, LeftAndTwoWinWhenBothOfAPairAreGiven)
{
    EXPECT_EQ(parse({"-left", "-right"}).binding, LEFT_BINDING);
    EXPECT_EQ(parse({"-right", "-left"}).binding, LEFT_BINDING);
    EXPECT_EQ(parse({"-1", "-2"}).spreadShift, 0);
    EXPECT_EQ(parse({"-2", "-1"}).spreadShift, 0);
}

TEST(StartOptions, CapitalisedOptionIsThePath)
{
    const StartOptions o = parse({"-LEFT"});
    EXPECT_EQ(o.binding, RIGHT_BINDING);
    ASSERT_TRUE(o.hasPath);
    EXPECT_EQ(o.path, "-LEFT");
}

TEST(StartOptions, OnlyOptionsOpenNothing)
{
    const StartOptions o = parse({"-left", "-2"});
    EXPECT_FALSE(o.hasPath);
    EXPECT_EQ(o.binding, LEFT_BINDING);
    EXPECT_EQ(o.spreadShift, 0);
}

TEST(StartOptions, FirstRemainingArgumentIsThePathOthersIgnored)
{
    const StartOptions o = parse({"book.zip", "-left", "other.zip"});
    EXPECT_EQ(o.path, "book.zip");
    EXPECT_EQ(o.binding, LEFT_BINDING);
}

TEST(StartOptions, OnlyTheFirstMatchOfAnOptionIsRemoved)
{
    // The second "-left" is left over and becomes the path.
    const StartOptions o = parse({"-left", "-left"});
    EXPECT_EQ(o.binding, LEFT_BINDING);
    ASSERT_TRUE(o.hasPath);
    EXPECT_EQ(o.path, "-left");
}

TEST(StartOptions, WindowIsEightyPercentOfTheWorkArea)
{
    int w = 0, h = 0;
    mainWindowSize(1000, 700, w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 560);
    mainWindowSize(1366, 767, w, h);
    EXPECT_EQ(w, 1092);
    EXPECT_EQ(h, 613);
}

TEST(StartOptions, SaysWhichOptionsTheCommandLineGave)
{
    // What it gave rules the run over the saved settings (startingOptions); the rest is saved.
    EXPECT_FALSE(parse({}).bindingGiven);
    EXPECT_FALSE(parse({"book.zip"}).spreadShiftGiven);
    EXPECT_TRUE(parse({"-right"}).bindingGiven);
    EXPECT_FALSE(parse({"-right"}).spreadShiftGiven);
    EXPECT_TRUE(parse({"-2", "book.zip"}).spreadShiftGiven);
}
