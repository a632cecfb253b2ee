#include "platform/NameOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/Text.h"

namespace {

std::vector<std::string> naturallySorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return naturalCompare(a, b) < 0; });
    return names;
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

// Restores the default order when a test that switches it ends, passed or not.
struct OrderSwitchGuard {
    ~OrderSwitchGuard() { setNaturalNameOrder(false); }
};

} // namespace

TEST(NaturalOrder, DigitRunsCompareByValueAtTheStartMiddleAndEnd)
{
    EXPECT_EQ(naturallySorted({"10.jpg", "9.jpg", "100.jpg", "1.jpg"}),
              (std::vector<std::string>{"1.jpg", "9.jpg", "10.jpg", "100.jpg"}));
    EXPECT_EQ(naturallySorted({"IMG10.JPG", "img9.jpg", "Img1.jpg"}),
              (std::vector<std::string>{"Img1.jpg", "img9.jpg", "IMG10.JPG"}));
    EXPECT_EQ(naturallySorted({"vol2-p10", "vol10-p1", "vol2-p9"}),
              (std::vector<std::string>{"vol2-p9", "vol2-p10", "vol10-p1"}));
    EXPECT_LT(naturalCompare("page9", "page10"), 0); // runs ending the name
    EXPECT_LT(naturalCompare("page", "page1"), 0);   // a prefix still comes first
    EXPECT_EQ(naturalCompare("Page12.JPG", "page12.jpg"), 0);
}

TEST(NaturalOrder, LeadingZerosDecideOnlyBetweenEqualNames)
{
    EXPECT_EQ(naturallySorted({"a08", "a007", "a7", "a0", "a00", "a"}),
              (std::vector<std::string>{"a", "a0", "a00", "a7", "a007", "a08"}));
    // The zeros of an earlier run do not outrank a later difference...
    EXPECT_LT(naturalCompare("a01b", "a1c"), 0);
    EXPECT_GT(naturalCompare("a1c", "a01b"), 0);
    // ...and the first run whose zeros differ decides when all else is equal.
    EXPECT_LT(naturalCompare("x1y002", "x01y2"), 0);
    EXPECT_LT(naturalCompare("x01", "x01.jpg"), 0);
}

TEST(NaturalOrder, ADigitAgainstAnotherCharacterComparesAsTheCharacterOrderDoes)
{
    // '!' (0x21) < digits (0x30-0x39) < letters < '_' (0x5F after folding)
    EXPECT_LT(naturalCompare("a!", "a5"), 0);
    EXPECT_LT(naturalCompare("a5", "aB"), 0);
    EXPECT_LT(naturalCompare("a5", "a_"), 0);
    EXPECT_EQ(sign(naturalCompare("a0", "a.")), sign(mbsicmp("a0", "a.")));
}

TEST(NaturalOrder, VeryLongRunsCompareWithoutOverflow)
{
    const std::string big = "1" + std::string(4999, '0'); // 5,000 digits
    const std::string nines = std::string(4999, '9');     // one digit fewer
    EXPECT_GT(naturalCompare("p" + big, "p" + nines), 0);
    EXPECT_LT(naturalCompare(std::string(10000, '0') + nines, big), 0);
    std::string bigPlusOne = big;
    bigPlusOne.back() = '1';
    EXPECT_LT(naturalCompare(big + ".jpg", bigPlusOne + ".jpg"), 0);
    // Past 2^64: a conversion to a 64-bit integer would wrap these around.
    EXPECT_LT(naturalCompare("18446744073709551615", "18446744073709551616"), 0);
    EXPECT_LT(naturalCompare("99999999999999999999", "100000000000000000000"), 0);
}

TEST(NaturalOrder, JapaneseNamesKeepTheCodePageOrderAroundTheNumbers)
{
    EXPECT_EQ(naturallySorted({"第10巻.zip", "第2巻.zip", "第1巻 上.zip", "かな1.jpg"}),
              (std::vector<std::string>{"かな1.jpg", "第1巻 上.zip", "第2巻.zip", "第10巻.zip"}));
    EXPECT_LT(naturalCompare("ページ9.jpg", "ページ10.jpg"), 0);
    EXPECT_GT(mbsicmp("ページ9.jpg", "ページ10.jpg"), 0); // the default order differs
    // Full-width digits are characters, not numbers: １０ < ９ as in the code page.
    EXPECT_LT(naturalCompare("第１０巻", "第９巻"), 0);
    // Shift-JIS bytes never converted to UTF-8 (ページ) compare byte by byte around the number.
    const std::string sjis = "\x83\x79\x81\x5B\x83\x57";
    EXPECT_LT(naturalCompare(sjis + "2", sjis + "10"), 0);
}

// std::sort needs a strict weak order: any inconsistency can make it read past the range.
TEST(NaturalOrder, IsAConsistentTotalPreorderOnMixedNames)
{
    const std::vector<std::string> parts = {"0", "00", "1",  "01", "9",  "10", "a",    "A",
                                            "_", "-",  "漢", "ｱ",  "１", ".",  "\xFF", ""};
    std::mt19937 random(17);
    std::vector<std::string> names;
    for (int i = 0; i < 70; ++i) {
        std::string name;
        const int count = static_cast<int>(random() % 5);
        for (int k = 0; k < count; ++k)
            name += parts[random() % parts.size()];
        names.push_back(name);
    }
    for (const auto& a : names) {
        EXPECT_EQ(naturalCompare(a, a), 0);
        for (const auto& b : names) {
            const int ab = sign(naturalCompare(a, b));
            ASSERT_EQ(ab, -sign(naturalCompare(b, a))) << a << " | " << b;
            for (const auto& c : names) {
                const int bc = sign(naturalCompare(b, c));
                if (ab <= 0 && bc <= 0) {
                    ASSERT_LE(naturalCompare(a, c), 0) << a << " | " << b << " | " << c;
                }
            }
        }
    }
}

TEST(NaturalOrder, TheSwitchChoosesTheOrderAndDefaultsToTheCodePageOrder)
{
    OrderSwitchGuard guard;
    EXPECT_FALSE(naturalNameOrder());
    EXPECT_LT(compareNames("p10", "p9"), 0);
    setNaturalNameOrder(true);
    EXPECT_TRUE(naturalNameOrder());
    EXPECT_GT(compareNames("p10", "p9"), 0);
    EXPECT_LT(compareNames("p10", "p9", false), 0); // an explicit order overrides the switch
    setNaturalNameOrder(false);
    EXPECT_LT(compareNames("p10", "p9"), 0);
}
