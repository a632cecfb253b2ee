#include "platform/NameOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/Text.h"

namespace {

using Names = std::vector<std::string>;

Names naturallySorted(Names names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return naturalCompare(a, b) < 0; });
    return names;
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

} // namespace

TEST(NaturalOrder, DigitRunsCompareByValueAndZerosOnlyBreakTies)
{
    EXPECT_EQ(naturallySorted({"10.jpg", "9.jpg", "100.jpg", "IMG10.JPG", "img9.jpg", "_1"}),
              (Names{"9.jpg", "10.jpg", "100.jpg", "img9.jpg", "IMG10.JPG", "_1"}));
    EXPECT_EQ(naturallySorted({"v2-p10", "v10-p1", "v2-p9", "v", "v0", "v00", "v007", "v7", "v08"}),
              (Names{"v", "v0", "v00", "v2-p9", "v2-p10", "v7", "v007", "v08", "v10-p1"}));
    EXPECT_LT(naturalCompare("a01b", "a1c"), 0);     // zeros do not outrank a later difference
    EXPECT_LT(naturalCompare("x1y002", "x01y2"), 0); // the first run whose zeros differ decides
    EXPECT_EQ(naturalCompare("Page12.JPG", "page12.jpg"), 0);
    // A digit against another character: as the character order has it ('!' < '0' < 'B' < '_').
    EXPECT_LT(naturalCompare("a!", "a5"), 0);
    EXPECT_LT(naturalCompare("a5", "aB"), 0);
    EXPECT_LT(naturalCompare("a5", "a_"), 0);
}

TEST(NaturalOrder, LongRunsAndJapaneseNames)
{
    const std::string big = "1" + std::string(4999, '0'); // 5,000 digits
    EXPECT_GT(naturalCompare("p" + big, "p" + std::string(4999, '9')), 0);
    EXPECT_LT(naturalCompare(std::string(10000, '0') + "9", big), 0);
    EXPECT_LT(naturalCompare("18446744073709551615", "18446744073709551616"), 0); // past 2^64
    EXPECT_EQ(naturallySorted({"第10巻.zip", "第2巻.zip", "第1巻 上.zip", "かな1.jpg"}),
              (Names{"かな1.jpg", "第1巻 上.zip", "第2巻.zip", "第10巻.zip"}));
    EXPECT_LT(naturalCompare("第１０巻", "第９巻"), 0);  // full-width digits stay characters
    const std::string sjis = "\x83\x79\x81\x5B\x83\x57"; // ページ as Shift-JIS bytes
    EXPECT_LT(naturalCompare(sjis + "2", sjis + "10"), 0);
}

// std::sort needs a strict weak order: an inconsistent one can make it read past the range.
TEST(NaturalOrder, IsAConsistentOrderOnMixedNames)
{
    const Names parts = {"0", "00", "1", "01", "9", "10", "a", "A", "_", "漢", "１", ".", "\xFF"};
    std::mt19937 random(17);
    Names names(70);
    for (std::string& name : names)
        for (int k = static_cast<int>(random() % 5); k > 0; --k)
            name += parts[random() % parts.size()];
    for (const auto& a : names)
        for (const auto& b : names) {
            const int ab = sign(naturalCompare(a, b));
            ASSERT_EQ(ab, -sign(naturalCompare(b, a))) << a << " | " << b;
            for (const auto& c : names)
                if (ab <= 0 && naturalCompare(b, c) <= 0) {
                    ASSERT_LE(naturalCompare(a, c), 0) << a << " | " << b << " | " << c;
                }
        }
}

TEST(NaturalOrder, TheSwitchChoosesTheOrderAndIsOffByDefault)
{
    EXPECT_LT(compareNames("p10", "p9"), 0);
    setNaturalNameOrder(true);
    const int natural = compareNames("p10", "p9");
    const int overridden = compareNames("p10", "p9", false);
    setNaturalNameOrder(false);
    EXPECT_GT(natural, 0);
    EXPECT_LT(overridden, 0);
}
