#include "persist/PositionStore.h"

#include <gtest/gtest.h>

#include <random>

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

TEST(PositionStore, RecognisesABookByPathSizeAndTime)
{
    PositionStore store;
    EXPECT_EQ(store.lookup(book("/b/x.zip")), -1);
    store.remember(book("/b/x.zip"), 6);
    EXPECT_EQ(store.lookup(book("/b/x.zip")), 6);
    EXPECT_EQ(store.lookup(book("/b/x.zip", 101)), -1);             // rewritten: other size
    EXPECT_EQ(store.lookup(book("/b/x.zip", 100, 1700000001)), -1); // or other time
    EXPECT_EQ(store.lookup(book("/b/X.zip")), -1);                  // paths are exact
    store.remember(book("/b/x.zip", 101), 8); // the changed book's own position replaces it
    EXPECT_EQ(store.lookup(book("/b/x.zip")), -1);
    EXPECT_EQ(store.lookup(book("/b/x.zip", 101)), 8);
    store.remember(book("/b/first.zip"), -1); // the first spread with the first page alone
    EXPECT_EQ(store.lookup(book("/b/first.zip")), 0);
    store.remember(book("/b/folder/"), 4); // a folder book, named with or without a slash
    EXPECT_EQ(store.lookup(book("/b/folder")), 4);
    store.forget("/b/folder//");
    EXPECT_EQ(store.lookup(book("/b/folder/")), -1);
    store.forget("/b/x.zip");
    EXPECT_EQ(store.lookup(book("/b/x.zip", 101)), -1);
    EXPECT_EQ(store.size(), 1u);
}

TEST(PositionStore, ARenameMovesThePositionToTheNewName)
{
    PositionStore store;
    store.remember(book("/b/old.zip"), 12);
    store.remember(book("/b/taken.zip"), 3);
    store.rename("/b/old.zip", "/b/taken.zip");
    EXPECT_EQ(store.lookup(book("/b/old.zip")), -1);
    EXPECT_EQ(store.lookup(book("/b/taken.zip")), 12);
    EXPECT_EQ(store.size(), 1u);
    store.rename("/b/none.zip", "/b/taken.zip"); // nothing to move: the record stays
    EXPECT_EQ(store.lookup(book("/b/taken.zip")), 12);
}

TEST(PositionStore, KeepsTheThousandMostRecentlyUsedAcrossSaves)
{
    ScratchFolder scratch;
    PositionStore store;
    for (int i = 0; i < 1000; ++i)
        store.remember(numbered(i), i);
    store.remember(numbered(0), 5); // used again: now the most recent
    store.remember(numbered(1000), 1000);
    EXPECT_EQ(store.size(), 1000u);
    EXPECT_EQ(store.lookup(numbered(0)), 5);
    EXPECT_EQ(store.lookup(numbered(1)), -1); // the least recently used went
    ASSERT_TRUE(store.save(scratch.file("positions")));

    PositionStore loaded;
    ASSERT_TRUE(loaded.load(scratch.file("positions")));
    EXPECT_EQ(loaded.encode(), store.encode());
    loaded.remember(numbered(1001), 1); // the order survived the file: book 2 goes next
    EXPECT_EQ(loaded.lookup(numbered(2)), -1);
    EXPECT_EQ(loaded.lookup(numbered(3)), 3);
    EXPECT_EQ(loaded.lookup(numbered(0)), 5);

    PositionStore small(3); // a file longer than the capacity keeps its most recent lines
    ASSERT_TRUE(small.decode(store.encode()));
    EXPECT_EQ(small.size(), 3u);
    EXPECT_EQ(small.lookup(numbered(1000)), 1000);
}

TEST(PositionStore, AnyPathSurvivesTheFile)
{
    ScratchFolder scratch;
    const std::vector<std::string> paths = {"/b/tab\there",
                                            "/b/new\nline",
                                            "/b/back\\slash\\n",
                                            "/b/漢字 かな.zip",
                                            "/b/\x83\x79\x81\x5B\x83\x57.zip",
                                            "/b/\x01\x7F\xFF",
                                            "/b/=equals\rcr"};
    PositionStore store;
    for (size_t i = 0; i < paths.size(); ++i)
        store.remember(book(paths[i]), static_cast<int>(i) * 2);
    ASSERT_TRUE(store.save(scratch.file("p")));
    PositionStore loaded;
    ASSERT_TRUE(loaded.load(scratch.file("p")));
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(loaded.lookup(book(paths[i])), static_cast<int>(i) * 2) << i;
    // One record a line, whatever the path holds.
    const std::string text = slurp(scratch.file("p"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + static_cast<long>(paths.size()));

    CaptureStderr();
    store.remember(book("/b/" + std::string(20000, 'x')), 1); // no line could hold it
    store.remember(book(""), 1);
    EXPECT_NE(GetCapturedStderr().find("position not kept"), std::string::npos);
    EXPECT_EQ(store.size(), paths.size());
}

TEST(PositionStore, MissingCorruptAndForeignFilesGiveAnEmptyStoreWithATrace)
{
    ScratchFolder scratch;
    PositionStore store;
    store.remember(book("/b/kept.zip"), 4);
    CaptureStderr();
    EXPECT_FALSE(store.load(scratch.file("missing")));
    EXPECT_NE(GetCapturedStderr().find("positions: no file"), std::string::npos);
    EXPECT_EQ(store.size(), 0u);

    for (const std::string& text :
         {std::string("mekuri positions 2\n0\t1\t1\t/a\n"), std::string("mekuri recent 1\n"),
          std::string("\x89PNG\r\n\x1A\n"), std::string(""), std::string("mekuri positions 1")}) {
        spit(scratch.file("bad"), text);
        store.remember(book("/b/kept.zip"), 4);
        CaptureStderr();
        EXPECT_FALSE(store.load(scratch.file("bad")));
        EXPECT_NE(GetCapturedStderr().find("is not a positions file"), std::string::npos);
        EXPECT_EQ(store.size(), 0u);
    }
    // The next save replaces the bad file with a good one.
    store.remember(book("/b/new.zip"), 2);
    ASSERT_TRUE(store.save(scratch.file("bad")));
    EXPECT_TRUE(PositionStore().load(scratch.file("bad")));
}

TEST(PositionStore, GarbledLinesAreSkippedAndTheRestKept)
{
    const std::string text = "mekuri positions 1\n"
                             "2\t10\t20\t/good/one\n"
                             "x\t10\t20\t/bad/page\n"
                             "-2\t10\t20\t/bad/negative\n"
                             "2147483648\t10\t20\t/bad/huge-page\n"
                             "2\t-1\t20\t/bad/size\n"
                             "2\t10\t20\t/bad/\\q-escape\n"
                             "2\t10\t20\n"
                             "2\t10\t20\t/bad/fields\textra\n"
                             "2\t10\t20\t\n"
                             "9\t10\t20\t/good/one\n" // stale repeat: the first line wins
                             "4\t11\t-5\t/good/two\n" +
                             std::string("2\t10\t20\t/") + std::string(kMaxLineBytes, 'l') +
                             "\n"
                             "6\t12\t30\t/cut/short";
    PositionStore store;
    CaptureStderr();
    ASSERT_TRUE(store.decode(text));
    EXPECT_EQ(GetCapturedStderr(), "positions: 10 garbled lines ignored\n");
    EXPECT_EQ(store.size(), 2u);
    EXPECT_EQ(store.lookup(book("/good/one", 10, 20)), 2);
    EXPECT_EQ(store.lookup(book("/good/two", 11, -5)), 4);
    EXPECT_EQ(store.lookup(book("/cut/short", 12, 30)), -1);
}

// A file cut at any byte (a disk that filled up under another writer, a copy broken off)
// gives back exactly the records whose lines are complete.
TEST(PositionStore, ATruncatedFileKeepsItsCompleteLines)
{
    PositionStore full;
    for (int i = 0; i < 6; ++i)
        full.remember(numbered(i), i + 1);
    const std::string text = full.encode();
    size_t completeLines = 0;
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        if (cut > 0 && text[cut - 1] == '\n')
            ++completeLines;
        PositionStore store;
        CaptureStderr();
        const bool read = store.decode(text.substr(0, cut));
        GetCapturedStderr();
        ASSERT_EQ(read, completeLines >= 1) << cut;
        ASSERT_EQ(store.size(), completeLines >= 1 ? completeLines - 1 : 0) << cut;
    }
}

TEST(PositionStore, RandomBytesNeverCrashOrGrowPastTheCapacity)
{
    std::mt19937 random(1234);
    const std::string alphabet = "0123456789-\t\n\\xnrt/ab\x01\xFF";
    for (int round = 0; round < 2000; ++round) {
        std::string text = "mekuri positions 1\n";
        const size_t length = random() % 400;
        for (size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        PositionStore store(5);
        CaptureStderr();
        store.decode(text);
        GetCapturedStderr();
        ASSERT_LE(store.size(), 5u);
        PositionStore again(5);
        ASSERT_TRUE(again.decode(store.encode())); // what was kept can be written and read
        ASSERT_EQ(again.encode(), store.encode());
    }
}

// Two running programs each keep a store of the same file.
TEST(PositionStore, TwoProgramsSavingInTurnNeverCorruptTheFile)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("positions");
    PositionStore first, second;
    first.load(file);
    second.load(file);
    first.remember(book("/b/first.zip"), 10);
    ASSERT_TRUE(first.save(file));
    second.remember(book("/b/second.zip"), 20);
    ASSERT_TRUE(second.save(file)); // the last save wins...
    PositionStore check;
    ASSERT_TRUE(check.load(file));
    EXPECT_EQ(check.lookup(book("/b/second.zip")), 20);
    EXPECT_EQ(check.lookup(book("/b/first.zip")), -1);
    // ...unless each loads right before its change, as the header advises: both books kept.
    first.load(file);
    first.remember(book("/b/first.zip"), 10);
    ASSERT_TRUE(first.save(file));
    second.load(file);
    second.remember(book("/b/second.zip"), 22);
    ASSERT_TRUE(second.save(file));
    ASSERT_TRUE(check.load(file));
    EXPECT_EQ(check.lookup(book("/b/first.zip")), 10);
    EXPECT_EQ(check.lookup(book("/b/second.zip")), 22);
}

TEST(PositionStore, IdentifiesBooksByTheirStatus)
{
    ScratchFolder scratch;
    spit(scratch.file("b.zip"), "12345");
    BookIdentity id;
    ASSERT_TRUE(identifyBook(scratch.file("b.zip"), id));
    EXPECT_EQ(id.path, scratch.file("b.zip"));
    EXPECT_EQ(id.size, 5);
    EXPECT_GT(id.mtime, 0);
    EXPECT_TRUE(identifyBook(scratch.path(), id)); // a folder book
    EXPECT_FALSE(identifyBook(scratch.file("gone.zip"), id));
}
