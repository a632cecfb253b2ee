#include "platform/PatternMatch.h"

#include <gtest/gtest.h>

#include <string>

TEST(PatternMatch, FollowsTheToolkitsRules)
{
    EXPECT_TRUE(matchNamePattern("a.JPG", "*.jpg"));
    EXPECT_TRUE(matchNamePattern("", "*"));
    EXPECT_FALSE(matchNamePattern("", "?"));
    EXPECT_TRUE(matchNamePattern("a*b", "a\\*b"));
    EXPECT_FALSE(matchNamePattern("axb", "a\\*b"));
    EXPECT_TRUE(matchNamePattern("c.zip", "{a,b|c}.zip"));
    EXPECT_TRUE(matchNamePattern("ab.zip", "a{x,{y,b}}.zip"));
    EXPECT_FALSE(matchNamePattern("d.zip", "{a,b|c}.zip"));
    EXPECT_TRUE(matchNamePattern("b", "[a-c]"));
    EXPECT_FALSE(matchNamePattern("a", "[")); // an unclosed set never reads past the pattern
}

TEST(PatternMatch, OneQuestionMarkIsOneCharacterWhateverItsBytes)
{
    EXPECT_TRUE(matchNamePattern("第3巻.zip", "?3巻.zip"));
    EXPECT_TRUE(matchNamePattern("😀.png", "?.png"));
    EXPECT_TRUE(matchNamePattern(std::string("\xff") + ".bin", "?.bin")); // an ill-formed byte
}

// Exponential backtracking would not end for hours here (the test's time-out catches it).
TEST(PatternMatch, ManyStarsOnALongNameEnd)
{
    const std::string name(500, 'a');
    EXPECT_FALSE(matchNamePattern(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(matchNamePattern(name + "b", "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}
