#include "persist/PositionStore.h"

#include <gtest/gtest.h>
#include <utime.h>

#include "PersistTestSupport.h"
#include "persist/LineFormat.h"

using namespace persisttest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

BookIdentity book(const std::string& path, int64_t size = 100, int64_t mtime = 1700000000)
{
    return BookIdentity{path, size, mtime};
}

BookIdentity numbered(int i)
{
    return book("/books/" + std::to_string(i) + ".zip", i, i);
}

} // namespace

TEST(PositionStore, RecognisesABookByPathSizeAndTimeAndFollowsRenames)
{
    PositionStore store;
    store.remember(book("/b/x.zip"), 6);
    EXPECT_EQ(store.lookup(book("/b/x.zip")), 6);
    EXPECT_EQ(store.lookup(book("/b/x.zip", 101)), -1);             // rewritten: another size
    EXPECT_EQ(store.lookup(book("/b/x.zip", 100, 1700000001)), -1); // or another time
    EXPECT_EQ(store.lookup(book("/b/X.zip")), -1);
    store.remember(book("/b/first.zip"), -1); // the first spread, its first page alone
    EXPECT_EQ(store.lookup(book("/b/first.zip")), 0);
    store.remember(book("/b/folder/"), 4);
    EXPECT_EQ(store.lookup(book("/b/folder")), 4);
    store.rename("/b/x.zip", "/b/first.zip"); // renamed at close over another book's name
    EXPECT_EQ(store.lookup(book("/b/first.zip")), 6);
    EXPECT_EQ(store.lookup(book("/b/x.zip")), -1);
    store.forget("/b/folder//");
    EXPECT_EQ(store.size(), 1u);
}

TEST(PositionStore, KeepsTheThousandMostRecentlyUsedAcrossSaves)
{
    ScratchFolder scratch;
    PositionStore store;
    for (int i = 0; i < 1000; ++i)
        store.remember(numbered(i), i);
    store.remember(numbered(0), 5); // used again: now the most recent
    store.remember(numbered(1000), 1000);
    EXPECT_EQ(store.lookup(numbered(1)), -1); // the least recently used went
    ASSERT_TRUE(store.save(scratch.file("positions")));
    PositionStore loaded;
    ASSERT_TRUE(loaded.load(scratch.file("positions")));
    loaded.remember(numbered(1001), 1); // the order survived the file: book 2 goes next
    EXPECT_EQ(loaded.size(), 1000u);
    EXPECT_EQ(loaded.lookup(numbered(2)), -1);
    EXPECT_EQ(loaded.lookup(numbered(3)), 3);
    EXPECT_EQ(loaded.lookup(numbered(0)), 5);
}

TEST(PositionStore, AnyPathSurvivesTheFileOnOneLine)
{
    const std::vector<std::string> paths = {"/b/tab\there", "/b/new\nline", "/b/back\\n",
                                            "/b/漢字.zip", "/b/\x83\x79\x01\x7F\xFF"};
    PositionStore store, loaded;
    for (size_t i = 0; i < paths.size(); ++i)
        store.remember(book(paths[i]), static_cast<int>(i));
    store.remember(book("/b/" + std::string(kMaxLineBytes, 'x')), 1); // refused: no line holds it
    const std::string text = store.encode();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
    ASSERT_TRUE(loaded.decode(text));
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(loaded.lookup(book(paths[i])), static_cast<int>(i)) << i;
}

TEST(PositionStore, GarbledForeignAndCutFilesKeepOnlyWholeRecords)
{
    PositionStore store;
    CaptureStderr();
    ASSERT_TRUE(store.decode("mekuri positions 1\n2\t10\t20\t/good\nx\t10\t20\t/p\n-2\t10\t20\t/p\n"
                             "2147483648\t1\t2\t/p\n2\t-1\t20\t/p\n2\t10\t20\t/bad\\q\n2\t10\t20\n"
                             "2\t10\t20\t/p\tmore\n2\t10\t20\t\n9\t10\t20\t/good\n" +
                             std::string(kMaxLineBytes, 'l') + "\n6\t12\t30\t/cut/short"));
    EXPECT_EQ(GetCapturedStderr(), "positions: 10 garbled lines ignored\n");
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(store.lookup(book("/good", 10, 20)), 2); // the first line of a path is its latest

    ScratchFolder scratch;
    for (const std::string text :
         {"mekuri positions 2\n", "mekuri recent 1\n", "\x89PNG\r\n", ""}) {
        spit(scratch.file("bad"), text);
        CaptureStderr();
        EXPECT_FALSE(store.load(scratch.file("bad")));
        EXPECT_NE(GetCapturedStderr().find("is not a positions file"), std::string::npos);
        EXPECT_EQ(store.size(), 0u);
    }
    // Cut at any byte, a file gives back exactly the records whose lines are complete.
    for (int i = 0; i < 4; ++i)
        store.remember(numbered(i), i);
    const std::string text = store.encode();
    size_t lines = 0;
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        lines += cut > 0 && text[cut - 1] == '\n';
        PositionStore part;
        CaptureStderr();
        ASSERT_EQ(part.decode(text.substr(0, cut)), lines >= 1);
        GetCapturedStderr();
        ASSERT_EQ(part.size(), lines >= 1 ? lines - 1 : 0) << cut;
    }
}

// Two running programs keep stores of one file: the last save wins, never a mix; loading
// right before each change keeps both programs' books.
TEST(PositionStore, TwoProgramsSavingInTurn)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("positions");
    PositionStore first, second, check;
    first.remember(book("/b/first.zip"), 10);
    ASSERT_TRUE(first.save(file));
    second.remember(book("/b/second.zip"), 20);
    ASSERT_TRUE(second.save(file));
    ASSERT_TRUE(check.load(file));
    EXPECT_EQ(check.encode(), second.encode());
    first.load(file);
    first.remember(book("/b/first.zip"), 12);
    ASSERT_TRUE(first.save(file));
    ASSERT_TRUE(check.load(file));
    EXPECT_EQ(check.lookup(book("/b/first.zip")), 12);
    EXPECT_EQ(check.lookup(book("/b/second.zip")), 20);
}

TEST(PositionStore, AFolderBookIsToldByItsOwnFilesNotByFilesSavedBesideThem)
{
    ScratchFolder folder;
    const auto setTime = [&](const std::string& name, time_t when) {
        const struct utimbuf times {
            when, when
        };
        ASSERT_EQ(utime(folder.file(name).c_str(), &times), 0);
    };
    spit(folder.file("001.jpg"), "page");
    setTime("001.jpg", 1600000000);
    const NotOfTheBook catalog = [](const std::string& name) { return name == "_$mekuri.bin"; };
    BookIdentity first, again, grown;
    ASSERT_TRUE(identifyBook(folder.path(), first, catalog));

    // A catalog saved in the folder changes the folder's own time, not the book.
    spit(folder.file("_$mekuri.bin"), "catalog");
    setTime("_$mekuri.bin", 1700000000);
    setTime(".", 1700000000);
    ASSERT_TRUE(identifyBook(folder.path(), again, catalog));
    EXPECT_EQ(again.size, first.size);
    EXPECT_EQ(again.mtime, first.mtime);

    // A page added is a changed book.
    spit(folder.file("002.jpg"), "page");
    setTime("002.jpg", 1600000000);
    ASSERT_TRUE(identifyBook(folder.path(), grown, catalog));
    EXPECT_NE(grown.size, first.size);
}
