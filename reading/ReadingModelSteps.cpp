// The reading model's longer steps: the two ends of a book, the next and previous book of
// its folder, and listing the open book again when the name order changes.
#include "ReadingModel.h"

#include <algorithm>

#include "NextBook.h"
#include "pipeline/CacheManager.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"
#include "platform/NameOrder.h"

namespace {

// Sets a flag for the life of a scope.
class FlagSet {
  public:
    explicit FlagSet(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagSet() { flag_ = false; }
    FlagSet(const FlagSet&) = delete;
    FlagSet& operator=(const FlagSet&) = delete;

  private:
    bool& flag_;
};

// Hands what changed so far to the window before a box shows.
void showBeforeBox(ReadingChange& change, const ChangeSink& show)
{
    if (!show)
        return;
    show(change);
    change = ReadingChange();
}

// Where `shown` is in `pages`: the same entry (name and place in the archive), else the same
// name, else the first page.
int pageIndexOf(const std::vector<PageEntry>& pages, const PageEntry& shown)
{
    int sameName = -1;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (pages[i].name != shown.name)
            continue;
        if (pages[i].position == shown.position)
            return static_cast<int>(i);
        if (sameName < 0)
            sameName = static_cast<int>(i);
    }
    return sameName < 0 ? 0 : sameName;
}

} // namespace

ReadingChange ReadingModel::showEndSpread(bool last)
{
    ReadingChange change;
    if (!bookOpen_ || pageCount() == 0)
        return change;
    showSpread(last ? lastSpread() : 0, JUMP_TO_START, change);
    change.listLine = currentLine();
    change.prefetch = turnTarget(true);
    return change;
}

ReadingChange ReadingModel::openNeighbourBook(bool forward, CacheManager& cache, int areaW,
                                              int areaH, const ChangeSink& show)
{
    std::string folder, from, skip;
    if (bookOpen_) {
        // The book's place is the one its pending rename gives it; the file still has its old
        // name until the close, so that name is no other book.
        folder = bookFolder_;
        from = newFileName_;
        skip = bookFileName_;
    } else if (!stepName_.empty()) {
        folder = stepFolder_;
        from = stepName_;
    } else {
        return ReadingChange();
    }
    const std::string name = neighbourBookName(folder, from, forward, naturalNameOrder(), skip);
    if (name.empty()) {
        debugPrint(forward ? "次のﾌｧｲﾙはありません\n" : "前のﾌｧｲﾙはありません\n");
        return ReadingChange();
    }
    const bool nested = opening_; // openBook refuses it with its box
    ReadingChange change = openBook(folder + name, cache, areaW, areaH, show);
    // A book that did not open leaves no book to step from: the next press goes on past it.
    if (!nested && !bookOpen_) {
        stepFolder_ = folder;
        stepName_ = name;
    }
    return change;
}

ReadingChange ReadingModel::setNaturalOrder(bool natural, CacheManager& cache,
                                            const ChangeSink& show)
{
    ReadingChange change;
    if (natural == naturalNameOrder())
        return change;
    setNaturalNameOrder(natural);
    debugPrint("数字順 %d\n", natural ? 1 : 0);
    // A book being listed is sorted once its listing ends, in the order now in force.
    if (!bookOpen_ || pageCount() == 0 || opening_)
        return change;
    reopenInOrder(cache, change, show);
    return change;
}

void ReadingModel::reopenInOrder(CacheManager& cache, ReadingChange& change, const ChangeSink& show)
{
    const FlagSet opening(opening_);
    const FlagSet relisting(relisting_);
    const int first = std::min(std::max(0, currentPage_ - spreadShift_), pageCount() - 1);
    const PageEntry shown = book_->pages[static_cast<size_t>(first)];
    // Closed as a close does it, except the rename, which still waits for the real close.
    cache.clearAll();
    book_.reset();
    bookOpen_ = 0;
    change.spread = true;
    change.newBook = true;
    change.title = true;
    change.list = true;

    // By its full name: the path it was opened by may be relative to the directory it was
    // given in, and the open has changed the current directory since.
    const std::string path = bookFolder_ + bookFileName_;
    auto book = std::make_unique<ImageOperatorWrapper>(path);
    if (!book->valid) {
        showBeforeBox(change, show);
        reportError(boxOwner_, "ファイル(%s)を開けません", path.c_str());
        // The book is closed now: its pending rename is carried out, or no later close would.
        if (newFileName_ != bookFileName_ && pathExists(path))
            carryOutRename();
        return;
    }
    filterPages(book->pages);
    sortPages(book->pages);
    book_ = std::move(book);
    bookOpen_ = 1;
    if (pageCount() == 0) {
        currentPage_ = 0;
        showBeforeBox(change, show);
        reportError(boxOwner_, "jpegファイルが無いので開けません\n(%s)\n", path.c_str());
        return;
    }
    cache.openCache();
    const int page = pageIndexOf(book_->pages, shown);
    showSpread(std::min(2 * ((page + spreadShift_) / 2), lastSpread()), JUMP_TO_START, change);
    change.prefetch = turnTarget(true);
}
