// Where the reader stopped: the reading model gives the memory a book's lower page when the book
// is left and shows the spread holding it when the book opens again, under either spread unit,
// clamped to the last spread; a changed book, or the resume option off, opens at its start; a
// rename carries the position to the new name. The memory is the program's own, in files.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <fstream>

#include "ReadingTestSupport.h"
#include "persist/WholeFile.h"
#include "platform/FileOps.h"
#include "platform/NameOrder.h"
#include "platform/UiHooks.h"
#include "reading/SavedReadingMemory.h"

using readingtest::Reader;
using readingtest::Shelf;

namespace {

// A reader whose memory lives in files of the shelf's own.
struct Remembering {
    explicit Remembering(Shelf& shelf)
        : positions(shelf.folder + "/state/positions"), recent(shelf.folder + "/state/recent"),
          memory(positions, recent)
    {
        reader.setMemory(&memory);
    }
    std::string positions, recent;
    SavedReadingMemory memory;
    Reader reader;
};

void turn(Reader& r, int times)
{
    for (int i = 0; i < times; ++i)
        (void)r.forwardPage(JUMP_TO_START);
}

int remembered(ReadingMemory& memory, const std::string& path)
{
    BookIdentity book;
    return identifyBook(path, book) ? memory.recall(book) : -2;
}

} // namespace

TEST(ReadingPosition, ABookReopensAtTheSpreadHoldingItsLowerPageUnderEitherUnit)
{
    Shelf shelf;
    Remembering m(shelf);
    Reader& r = m.reader;
    const std::string path = shelf.pages("vol1.zip", 7);
    (void)r.open(path);
    turn(r, 2); // spread 4: pages 3 and 4 (from 0), the lower one 3
    (void)r.closeBook(r.cache);
    EXPECT_EQ(remembered(m.memory, path), 3);

    ReadingChange c = r.open(path);
    EXPECT_TRUE(c.opened);
    EXPECT_EQ(r.currentPage, 4);
    EXPECT_EQ(r.jumpRequest, JUMP_TO_START);
    EXPECT_EQ(c.listLine, 3);
    EXPECT_EQ(r.currentLine(), 3);
    EXPECT_EQ(c.prefetch, 5); // the spread after it
    (void)r.closeBook(r.cache);

    // Pages paired from the first: page 3 is in the spread of pages 2 and 3.
    r.setStartOptions(RIGHT_BINDING, 0);
    c = r.open(path);
    EXPECT_EQ(r.currentPage, 2);
    EXPECT_EQ(c.listLine, 2);
    EXPECT_EQ(c.prefetch, 4);
    (void)r.forwardPage(JUMP_TO_START); // pages 4 and 5, lower 4
    (void)r.closeBook(r.cache);
    r.setStartOptions(RIGHT_BINDING, 1);
    (void)r.open(path);
    EXPECT_EQ(r.currentPage, 4); // pages 3 and 4 under the lone first page
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(ReadingPosition, ThePseudoLastPageAndPositionsPastTheEndGiveTheLastSpread)
{
    Shelf shelf;
    Remembering m(shelf);
    Reader& r = m.reader;
    const std::string four = shelf.pages("four.zip", 4);
    (void)r.open(four);
    turn(r, 2); // the pseudo last page: page 3 alone
    ASSERT_EQ(r.currentPage, 4);
    (void)r.closeBook(r.cache);
    (void)r.open(four);
    EXPECT_EQ(r.currentPage, 4);
    EXPECT_FALSE(r.canGoForward());
    (void)r.closeBook(r.cache);
    r.setStartOptions(RIGHT_BINDING, 0);
    (void)r.open(four);
    EXPECT_EQ(r.currentPage, 2); // pages 2 and 3

    // A book that has fewer pages than the position remembered for it.
    const std::string six = shelf.pages("six.zip", 6);
    BookIdentity book;
    ASSERT_TRUE(identifyBook(six, book));
    m.memory.keep(book, 40);
    (void)r.open(six);
    EXPECT_EQ(r.currentPage, 4); // pages 4 and 5
    EXPECT_EQ(r.currentPage, r.lastSpread());
    (void)r.closeBook(r.cache);
    m.memory.keep(book, 40);
    r.setStartOptions(RIGHT_BINDING, 1);
    (void)r.open(six);
    EXPECT_EQ(r.currentPage, 6); // page 5 alone
    EXPECT_EQ(r.currentPage, r.lastSpread());
}

TEST(ReadingPosition, AChangedBookOpensAtItsStart)
{
    Shelf shelf;
    Remembering m(shelf);
    Reader& r = m.reader;
    const std::string path = shelf.pages("vol1.zip", 6);
    (void)r.open(path);
    turn(r, 2);
    (void)r.closeBook(r.cache);
    shelf.pages("vol1.zip", 7); // rewritten with one page more
    (void)r.takeJumpRequest();  // as the spread view's paint takes it
    (void)r.open(path);
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_EQ(r.jumpRequest, JUMP_NONE);
    turn(r, 2);
    (void)r.closeBook(r.cache);

    // The same size, another time.
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    struct utimbuf times = {status.st_atime, status.st_mtime + 100};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
    const ReadingChange c = r.open(path);
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_EQ(c.prefetch, 1);
}

TEST(ReadingPosition, WithResumeOffBooksOpenAtTheirStartAndAreStillRemembered)
{
    Shelf shelf;
    Remembering m(shelf);
    Reader& r = m.reader;
    const std::string path = shelf.pages("vol1.zip", 9);
    (void)r.open(path);
    turn(r, 3);
    (void)r.closeBook(r.cache);
    r.setResume(false);
    const ReadingChange c = r.open(path);
    EXPECT_EQ(r.currentPage, 0);
    EXPECT_EQ(c.listLine, 0);
    EXPECT_EQ(c.prefetch, 1);
    turn(r, 1);
    (void)r.closeBook(r.cache);
    r.setResume(true);
    (void)r.open(path);
    EXPECT_EQ(r.currentPage, 2); // where it was left last, with resume off
}

TEST(ReadingPosition, ARenameAtTheCloseOrAtAnExitCarriesThePositionToTheNewName)
{
    Shelf shelf;
    Remembering m(shelf);
    Reader& r = m.reader;
    const std::string path = shelf.pages("vol1.zip", 9);
    (void)r.open(path);
    turn(r, 2);
    ASSERT_TRUE(r.requestRename("巻1.zip"));
    (void)r.closeBook(r.cache);
    const std::string renamed = shelf.folder + "/巻1.zip";
    EXPECT_EQ(remembered(m.memory, renamed), 3);
    (void)r.open(renamed);
    EXPECT_EQ(r.currentPage, 4);
    ASSERT_EQ(m.memory.recent().size(), 1u); // the recent entry followed the rename too
    EXPECT_EQ(m.memory.recent()[0].path, renamed);

    // Ending the program renames at once; the close that follows keeps the new name.
    turn(r, 1);
    ASSERT_TRUE(r.requestRename("巻2.zip"));
    r.keepPosition();
    r.settleRename([](const std::string& folder, std::string& name, std::string& newName) {
        ASSERT_EQ(std::rename((folder + name).c_str(), (folder + newName).c_str()), 0);
        name = newName;
    });
    const std::string second = shelf.folder + "/巻2.zip";
    EXPECT_EQ(remembered(m.memory, second), 5);
    turn(r, 1);
    (void)r.closeBook(r.cache);
    EXPECT_EQ(remembered(m.memory, second), 7);
    BookIdentity gone = {renamed, 0, 0};
    ASSERT_TRUE(identifyBook(second, gone));
    gone.path = renamed;
    EXPECT_EQ(m.memory.recall(gone), -1);
    EXPECT_TRUE(shelf.boxes.empty());
}

TEST(ReadingPosition, AnExitWhileTheOpenBookIsListedAgainKeepsItsPlaceAndItsRename)
{
    // The name order's switch lists the open book again, and the listing runs the event loop:
    // a signal or a lost display met there saves the book as an exit does.
    Shelf shelf;
    Remembering m(shelf);
    Reader& r = m.reader;
    const std::string path = shelf.pages("vol1.zip", 7);
    (void)r.open(path);
    turn(r, 2);
    ASSERT_TRUE(r.requestRename("vol1b.zip"));
    int pumped = 0;
    setEventPump([&] {
        if (pumped++ > 0)
            return;
        r.keepPosition();
        r.settleRename([](const std::string& folder, std::string& name, std::string& newName) {
            if (std::rename((folder + name).c_str(), (folder + newName).c_str()) == 0)
                name = newName;
            else
                newName = name;
        });
    });
    (void)r.setNaturalOrder(true, r.cache);
    setEventPump(nullptr);
    setNaturalNameOrder(false);
    ASSERT_GT(pumped, 0);
    const std::string renamed = shelf.folder + "/vol1b.zip";
    EXPECT_TRUE(pathExists(renamed));
    EXPECT_FALSE(pathExists(path));
    EXPECT_EQ(remembered(m.memory, renamed), 3);
}

TEST(ReadingPosition, OnlyBooksWithPagesEnterTheRecentListMostRecentFirst)
{
    Shelf shelf;
    Remembering m(shelf);
    Reader& r = m.reader;
    const std::string one = shelf.pages("one.zip", 2);
    const std::string two = shelf.pages("two.zip", 2);
    (void)r.open(one);
    (void)r.open(two);
    (void)r.open(shelf.pages("empty.zip", 0));
    (void)r.open(shelf.folder + "/missing.zip");
    (void)r.open(one);
    SavedReadingMemory again(m.positions, m.recent); // the next run reads the file
    again.loadRecent();
    ASSERT_EQ(again.recent().size(), 2u);
    EXPECT_EQ(again.recent()[0].path, one);
    EXPECT_EQ(again.recent()[1].path, two);
    EXPECT_EQ(again.recent()[0].kind, RecentKind::book);
}

TEST(ReadingPosition, TwoProgramsKeepEachOthersBooksAndACorruptFileIsReplaced)
{
    Shelf shelf;
    Remembering first(shelf);
    Remembering second(shelf); // the same files, as a second program would use them
    const std::string a = shelf.pages("a.zip", 9);
    const std::string b = shelf.pages("b.zip", 9);
    ASSERT_TRUE(writeWholeFile(first.positions, std::string("PK\3\4 not a positions file", 26)));
    (void)first.reader.open(a);
    (void)second.reader.open(b);
    turn(first.reader, 2);
    turn(second.reader, 3);
    (void)first.reader.closeBook(first.reader.cache);
    (void)second.reader.closeBook(second.reader.cache);
    SavedReadingMemory third(first.positions, first.recent);
    EXPECT_EQ(remembered(third, a), 3);
    EXPECT_EQ(remembered(third, b), 5);
    std::ifstream file(first.positions);
    std::string header;
    std::getline(file, header);
    EXPECT_EQ(header, "mekuri positions 1");
}
