#include "platform/Text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return mbsicmp(a, b) < 0; });
    return names;
}

} // namespace

TEST(NameOrder, DigitsCompareAsCharactersAndCaseIsIgnored)
{
    EXPECT_EQ(sorted({"IMG10.JPG", "img9.jpg", "Img1.jpg"}),
              (std::vector<std::string>{"Img1.jpg", "IMG10.JPG", "img9.jpg"}));
    EXPECT_EQ(mbsicmp("a.jpg", "A.JPG"), 0);
}

TEST(NameOrder, UnderscoreSortsAfterLetters)
{
    EXPECT_EQ(sorted({"_a.jpg", "b.jpg"}), (std::vector<std::string>{"b.jpg", "_a.jpg"}));
}

TEST(NameOrder, PrefixComesFirst)
{
    EXPECT_LT(mbsicmp("page", "page1"), 0);
    EXPECT_GT(mbsicmp("page1", "page"), 0);
}

TEST(NameOrder, KanjiAndKanaFollowJisOrder)
{
    // 漢 is 0x8ABF in cp932 and U+6F22; 字 is 0x8E9A and U+5B57: the JIS order puts 漢 first,
    // the Unicode order 字.
    EXPECT_LT(mbsicmp("漢", "字"), 0);
    EXPECT_GT(std::string("漢"), std::string("字")); // byte order of UTF-8 disagrees
    // Hiragana (0x82xx) before katakana (0x83xx) before kanji (0x88xx and up).
    EXPECT_EQ(sorted({"漢.jpg", "カ.jpg", "か.jpg"}),
              (std::vector<std::string>{"か.jpg", "カ.jpg", "漢.jpg"}));
    // Full-width letters fold like ASCII ones.
    EXPECT_EQ(mbsicmp("ａ", "Ａ"), 0);
}

TEST(NameOrder, CharactersOutsideCp932StillOrderTotally)
{
    // Neither é nor an emoji is in cp932.
    EXPECT_NE(mbsicmp("\xF0\x9F\x98\x80", "\xC3\xA9"), 0);
    EXPECT_GT(mbsicmp("\xC3\xA9", "z"), 0); // after every cp932 character
    EXPECT_EQ(cp932Code(U'漢'), 0x8ABFu);
    EXPECT_EQ(cp932Code(U'ｱ'), 0xB1u);
}

TEST(Text, LowerCasesAsciiAndFullWidthOnly)
{
    EXPECT_EQ(mbslwr("Book.ZIP"), "book.zip");
    EXPECT_EQ(mbslwr("ＡＢＣ漢"), "ａｂｃ漢");
    EXPECT_EQ(mbslwr("\xC3\x89"), "\xC3\x89"); // É is left alone, like the code page
}

TEST(Text, ConvertsBetweenUtf8AndCp932)
{
    std::string sjis, back;
    ASSERT_TRUE(utf8ToCp932("ページ01.jpg", sjis));
    EXPECT_EQ(sjis.substr(0, 2), "\x83\x79");
    ASSERT_TRUE(cp932ToUtf8(sjis, back));
    EXPECT_EQ(back, "ページ01.jpg");
    EXPECT_FALSE(utf8ToCp932("\xF0\x9F\x98\x80", sjis)); // no emoji in cp932
    EXPECT_FALSE(cp932ToUtf8("\x81", back));             // a lone lead byte
}

TEST(Text, ValidatesUtf8)
{
    EXPECT_TRUE(isValidUtf8("abc ページ"));
    EXPECT_FALSE(isValidUtf8("\x83\x79"));     // Shift-JIS bytes
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(isValidUtf8("\xE3\x83"));     // cut short
}

TEST(Text, CutsLabelsByCp932Width)
{
    // 25 single-byte characters: 20 then 5.
    auto lines = cutByCp932Width("abcdefghijklmnopqrstuvwxy", 20, 3);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "abcdefghijklmnopqrs"
                        "t");
    EXPECT_EQ(lines[1], "uvwxy");
    // A double-byte character that would take bytes 20 and 21 moves whole to the next line.
    lines = cutByCp932Width("abcdefghijklmnopqrs漢字", 20, 3);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "abcdefghijklmnopqrs");
    EXPECT_EQ(lines[1], "漢字");
    // Half-width kana count one byte; text past three lines is dropped.
    lines = cutByCp932Width(std::string(70, 'x'), 20, 3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(cutByCp932Width("ｱｲｳ", 2, 3), (std::vector<std::string>{"ｱｲ", "ｳ"}));
}
