#include "app/DropRules.h"

#include <gtest/gtest.h>

#include <limits.h>

namespace {

std::string pathOf(const std::string& text)
{
    const DroppedPath dropped = parseDroppedList(text, "reader-pc");
    EXPECT_EQ(dropped.refusal, "") << text;
    return dropped.path;
}

std::string refusalOf(const std::string& text)
{
    const DroppedPath dropped = parseDroppedList(text, "reader-pc");
    EXPECT_EQ(dropped.path, "") << text;
    return dropped.refusal;
}

} // namespace

TEST(DropRules, LocalHostsAreTheEmptyOneLocalhostAndThisMachine)
{
    EXPECT_EQ(pathOf("file:///books/vol1.zip"), "/books/vol1.zip");
    EXPECT_EQ(pathOf("file://localhost/books/vol1.zip"), "/books/vol1.zip");
    EXPECT_EQ(pathOf("file://LocalHost/books/vol1.zip"), "/books/vol1.zip");
    EXPECT_EQ(pathOf("file://reader-pc/books/vol1.zip"), "/books/vol1.zip");
    EXPECT_EQ(pathOf("FILE://READER-PC/books/vol1.zip"), "/books/vol1.zip");
    EXPECT_EQ(pathOf("file:/books/vol1.zip"), "/books/vol1.zip");
    EXPECT_EQ(refusalOf("file://nas/books/vol1.zip"),
              "drop refused: file://nas/books/vol1.zip is on another host\n");
    EXPECT_EQ(refusalOf("file://reader-pc.example.org/b.zip"),
              "drop refused: file://reader-pc.example.org/b.zip is on another host\n");
    // Without a name of its own the machine is only "localhost".
    EXPECT_EQ(parseDroppedList("file://reader-pc/b.zip", "").refusal,
              "drop refused: file://reader-pc/b.zip is on another host\n");
    EXPECT_EQ(parseDroppedList("file://localhost/b.zip", "").path, "/b.zip");
}

TEST(DropRules, PercentEscapesAreDecodedAndBadOnesRefused)
{
    EXPECT_EQ(pathOf("file:///home/u/%E7%AC%AC3%E5%B7%BB%20%E4%B8%8A.zip"), "/home/u/第3巻 上.zip");
    EXPECT_EQ(pathOf("file:///a%2b%2Bb%25.zip"), "/a++b%.zip");
    // Unescaped bytes pass as they are (some sources send UTF-8 and blanks raw).
    EXPECT_EQ(pathOf("file:///漫画/a b.zip"), "/漫画/a b.zip");
    for (const char* bad :
         {"file:///a%2", "file:///a%", "file:///a%G1.zip", "file:///a%00.zip", "file:///a%2Fb.zip",
          "file:///a%2f..%2fetc", "file://localhost", "file:relative.zip"})
        EXPECT_EQ(refusalOf(bad),
                  std::string("drop refused: ") + bad + " is not a usable file URI\n");
}

TEST(DropRules, TheFirstEntryDecidesAfterCommentsAndBlankLines)
{
    EXPECT_EQ(pathOf("file:///first.zip\r\nfile:///second.zip\r\n"), "/first.zip");
    EXPECT_EQ(pathOf("# a comment\r\n\r\nfile:///b.zip"), "/b.zip");
    EXPECT_EQ(pathOf("\n#c\nfile:///c.zip\n"), "/c.zip");
    EXPECT_EQ(pathOf("/plain/path with blank.zip\n/other.zip"), "/plain/path with blank.zip");
    // A refused first entry is not passed over for a later one.
    EXPECT_EQ(refusalOf("file://nas/a.zip\r\nfile:///b.zip\r\n"),
              "drop refused: file://nas/a.zip is on another host\n");
    EXPECT_EQ(refusalOf("https://example.org/a.zip\r\n"),
              "drop refused: https://example.org/a.zip is not a local file\n");
    EXPECT_EQ(refusalOf("relative/a.zip"), "drop refused: relative/a.zip is not a local file\n");
    const DroppedPath none = parseDroppedList("# only a comment\r\n\r\n", "reader-pc");
    EXPECT_EQ(none.path, "");
    EXPECT_EQ(none.refusal, "");
}

TEST(DropRules, OverlongPathsAreRefusedAndTracesStayShort)
{
    const std::string longName(PATH_MAX, 'a');
    const std::string refusal = refusalOf("file:///" + longName);
    EXPECT_EQ(refusal.rfind("drop refused: file:///aaa", 0), 0u);
    const std::string ending = "a... is too long a path\n";
    EXPECT_EQ(refusal.substr(refusal.size() - ending.size()), ending);
    EXPECT_LT(refusal.size(), 400u);
    EXPECT_EQ(pathOf("file:///" + std::string(PATH_MAX - 2, 'a')).size(), PATH_MAX - 1u);
}
