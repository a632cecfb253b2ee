#include "ReadingModel.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "SpreadRules.h"
#include "ZoomMath.h"
#include "catalog/CatalogFile.h"
#include "pipeline/CacheManager.h"
#include "pipeline/Decoders.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "reading/RenameFile.h"

namespace {

// Hands a stage to the window at once, or keeps it for the returned change.
void stage(ReadingChange& change, const ChangeSink& show)
{
    if (!show)
        return;
    show(change);
    change = ReadingChange();
}

// Clears a flag on every way out of a scope.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
};

} // namespace

ReadingModel::ReadingModel() = default;
ReadingModel::~ReadingModel() = default;

void ReadingModel::setStartOptions(int binding, int spreadShift)
{
    binding_ = binding == LEFT_BINDING ? LEFT_BINDING : RIGHT_BINDING;
    spreadShift_ = spreadShift == 0 ? 0 : 1;
}

int ReadingModel::pageCount() const
{
    return book_ ? static_cast<int>(book_->pages.size()) : 0;
}

int ReadingModel::lineCount() const
{
    return bookOpen_ ? (pageCount() + spreadShift_ + 1) / 2 : 0;
}

int ReadingModel::currentLine() const
{
    return (currentPage_ + spreadShift_) / 2 + 1;
}

int ReadingModel::lastSpread() const
{
    const int n = pageCount();
    return n + spreadShift_ - 1 > 0 ? 2 * ((n - 1 + spreadShift_) / 2) : 0;
}

bool ReadingModel::canGoForward() const
{
    return bookOpen_ && forwardStep(currentPage_, pageCount(), spreadShift_) != 0;
}

bool ReadingModel::canGoBack() const
{
    return bookOpen_ && currentPage_ - 2 >= 0;
}

int ReadingModel::turnTarget(bool forward) const
{
    const int first = currentPage_ - spreadShift_;
    return forward ? first + 2 : first - 2;
}

std::vector<std::string> ReadingModel::listLines() const
{
    if (!bookOpen_)
        return {};
    return spreadListLines(pageCount(), spreadShift_, binding_);
}

std::string ReadingModel::title() const
{
    if (!book_)
        return "Mekuri";
    char count[32];
    std::snprintf(count, sizeof count, " (%d pages)", pageCount());
    return bookFolder_ + bookFileName_ + count;
}

std::string ReadingModel::zoomText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(zoomPercent_));
    return text;
}

std::string ReadingModel::pageDisplayName(int page) const
{
    if (!book_ || page < 0 || page >= pageCount())
        return "*";
    return book_->labelOf(page);
}

ReadingChange ReadingModel::openBook(const std::string& path, CacheManager& cache, int areaW,
                                     int areaH, const ChangeSink& show)
{
    ReadingChange change;
    if (opening_) {
        debugPrint("openBook(%s) refused: another book is being opened\n", path.c_str());
        messageBox(boxOwner_, "エラー", "他のファイルを開いている途中です", BoxIcon::Error);
        return change;
    }
    const FlagGuard opening(opening_);
    stepFolder_.clear();
    stepName_.clear();
    std::string target = path;
    if (book_) {
        // The open book named by the name it is losing (the recent list, the catalog still
        // show it): the close renames it, so it is opened under its new name.
        const std::string renamedTo = pendingNameOf(path);
        change.merge(closeBook(cache, show));
        // Followed through links: a link to the book points at nothing once it is renamed,
        // while another name of the same file (a hard link) stays and opens as given.
        const bool stillThere = isRegularFile(path) || isDirectory(path);
        if (!renamedTo.empty() && !stillThere && pathExists(renamedTo))
            target = renamedTo;
    }
    resetForOpen(change);
    // The listing runs the event loop: the window shows the closed book meanwhile.
    stage(change, show);

    auto book = std::make_unique<ImageOperatorWrapper>(target);
    if (!book->valid) {
        reportError(boxOwner_, "ファイル(%s)を開けません", target.c_str());
        return change;
    }
    filterPages(book->pages);
    sortPages(book->pages);
    book_ = std::move(book);
    bookOpen_ = 1;
    change.newBook = true;
    takeNames(target);
    change.title = true;
    // The file chooser starts where the last book was, and a pending rename names the file
    // relative to it.
    if (chdir(bookFolder_.c_str()) != 0)
        debugPrint("chdir(%s) failed\n", bookFolder_.c_str());
    change.list = true;
    if (pageCount() == 0) {
        stage(change, show);
        reportError(boxOwner_, "jpegファイルが無いので開けません\n(%s)\n", target.c_str());
        return change;
    }
    cache.openCache();
    restorePosition(change);
    setOpeningZoom(cache, areaW, areaH, change);
    if (!bookOpen_)
        return change; // closed from the event loop of a decoder's box
    change.prefetch = turnTarget(true);
    change.opened = true;
    if (memory_)
        memory_->opened(bookFolder_ + bookFileName_);
    return change;
}

std::string ReadingModel::pendingNameOf(const std::string& path) const
{
    if (!book_ || newFileName_ == bookFileName_)
        return std::string();
    const auto trimmed = [](std::string p) {
        if (p.size() > 1 && p.back() == '/')
            p.pop_back();
        return p;
    };
    // By another path to the same file too (a linked folder, a link to the book).
    const std::string open = bookFolder_ + bookFileName_;
    if (trimmed(fullPath(path)) != trimmed(open) && !sameFile(path, open))
        return std::string();
    return bookFolder_ + newFileName_;
}

void ReadingModel::resetForOpen(ReadingChange& change)
{
    filterParam1_ = 1.0f;
    filterParam2_ = 0.0f;
    currentPage_ = 0;
    zoomPercent_ = 100.0f;
    lastFitMode_ = kNoFit;
    change.zoomField = true;
}

void ReadingModel::takeNames(const std::string& path)
{
    bookPath_ = path;
    std::string full = fullPath(path);
    // The stored name of a book: the last component of its path (of the folder for a folder
    // book).
    bookFileName_ = newFileName_ = lastComponent(full);
    if (full.size() > 1 && full.back() == '/')
        full.pop_back();
    bookFolder_ = folderOf(full);
    // The catalog file, and the file a catalog save writes before renaming it, come and go in a
    // folder book without changing the book.
    identified_ = identifyBook(bookFolder_ + bookFileName_, openedAs_, [](const std::string& name) {
        return isCatalogFileName(name) ||
               (name.size() > std::strlen(kCatalogFileName) &&
                isCatalogFileName(name.substr(0, std::strlen(kCatalogFileName))));
    });
}

void ReadingModel::restorePosition(ReadingChange& change)
{
    if (!resume_ || !memory_ || !identified_)
        return;
    const int lower = memory_->recall(openedAs_);
    if (lower < 0)
        return;
    const int position = spreadHolding(lower, pageCount(), spreadShift_);
    debugPrint("position: %s reopens at page %d, spread %d\n", openedAs_.path.c_str(), lower,
               position);
    showSpread(position, JUMP_TO_START, change);
    change.listLine = currentLine();
}

void ReadingModel::keepPosition() const
{
    const bool reading = (bookOpen_ && pageCount() > 0) || relisting_;
    if (!memory_ || !identified_ || !reading)
        return;
    BookIdentity book = openedAs_;
    book.path = bookFolder_ + bookFileName_; // its name now, after a rename carried out early
    const int lower = currentPage_ - spreadShift_;
    debugPrint("position: kept page %d of %s (%lld bytes, time %lld)\n", lower, book.path.c_str(),
               static_cast<long long>(book.size), static_cast<long long>(book.mtime));
    memory_->keep(book, lower);
}

// The first page's size read without decoding it; the zoom stays 100 when it cannot be had.
void ReadingModel::setOpeningZoom(CacheManager& cache, int areaW, int areaH, ReadingChange& change)
{
    CacheObject* page = cache.prepareEntry(COMPRESSEDFILE, 0, 1.0f, 0.0f, 100.0f);
    if (!page)
        return;
    // Read from a copy, the page given back first: a decoder's error box runs the event loop,
    // whose commands may close the book, and a close waits until every page is given back.
    auto* bytes = static_cast<CompressedFileCache*>(page);
    const std::vector<unsigned char> copy(bytes->memory.data(),
                                          bytes->memory.data() + bytes->memory.size());
    const std::string name = bytes->fileName;
    cache.release(page);
    int width = 0, height = 0;
    if (get_image_info(copy.size(), name, &width, &height, copy.data()) == 0) {
        zoomPercent_ = openingZoom(width, height, areaW, areaH);
        change.zoomField = true;
    }
}

ReadingChange ReadingModel::closeBook(CacheManager& cache, const ChangeSink& show)
{
    keepPosition();
    cache.clearAll();
    book_.reset();
    bookOpen_ = 0;
    identified_ = false;
    ReadingChange change;
    change.title = true;
    change.list = true;
    stage(change, show);
    carryOutRename();
    return change;
}

void ReadingModel::carryOutRename()
{
    const std::string oldPath = bookFolder_ + bookFileName_;
    const std::string newPath = bookFolder_ + newFileName_;
    if (renameFile(oldPath, newPath) && oldPath != newPath && memory_)
        memory_->renamed(oldPath, newPath);
}

void ReadingModel::showSpread(int position, int request, ReadingChange& change)
{
    currentPage_ = position;
    jumpRequest_ = request;
    change.spread = true;
}

ReadingChange ReadingModel::forwardPage(int request)
{
    ReadingChange change;
    if (!bookOpen_)
        return change;
    const int step = forwardStep(currentPage_, pageCount(), spreadShift_);
    if (step == 0)
        return change;
    debugPrint(step == 2 ? "forward_page_cb\n" : "forward_page_cb. forward to pseudo last page.\n");
    showSpread(currentPage_ + 2, request, change);
    change.listLine = currentLine();
    change.prefetch = turnTarget(true);
    return change;
}

ReadingChange ReadingModel::backPage(int request)
{
    ReadingChange change;
    if (!canGoBack())
        return change;
    showSpread(currentPage_ - 2, request, change);
    change.listLine = currentLine();
    change.prefetch = turnTarget(false);
    return change;
}

ReadingChange ReadingModel::arrowTurn(bool leftArrow)
{
    if (!bookOpen_)
        return ReadingChange();
    const bool forward = leftArrow == (binding_ == RIGHT_BINDING);
    return forward ? forwardPage(JUMP_TO_START) : backPage(JUMP_NONE);
}

ReadingChange ReadingModel::jumpToLine(int line)
{
    ReadingChange change;
    if (line <= 0 || line > lineCount() || line == currentLine())
        return change;
    debugPrint("JUMP callback (%d)\n", line);
    // The list shows the chosen line already; the scroll position stays.
    showSpread(2 * line - 2, jumpRequest_, change);
    change.prefetch = turnTarget(true);
    return change;
}

ReadingChange ReadingModel::setZoom(float percent)
{
    ReadingChange change;
    if (const char* refusal = zoomRefusal(percent)) {
        reportError(boxOwner_, "%s", refusal);
        return change;
    }
    if (percent == zoomPercent_)
        return change;
    zoomPercent_ = percent;
    lastFitMode_ = kNoFit;
    change.zoomField = true;
    change.window = true;
    change.prefetch = turnTarget(true);
    return change;
}

ReadingChange ReadingModel::zoomFromText(const std::string& text)
{
    const double value = parseZoomText(text.c_str());
    if (value > 0)
        return setZoom(static_cast<float>(value));
    reportError(boxOwner_, "入力が不正です");
    return ReadingChange();
}

ReadingChange ReadingModel::fit(int mode, CacheManager& cache, int areaW, int areaH,
                                const ChangeSink& show)
{
    ReadingChange change;
    if (!bookOpen_)
        return change;
    const float percent = calcjustscale(mode, cache, areaW, areaH) * 100.0f;
    change.scrollToOrigin = true;
    stage(change, show);
    change.merge(setZoom(percent));
    // A refused fit leaves no fit to repeat.
    lastFitMode_ = zoomRefusal(percent) ? kNoFit : mode;
    return change;
}

float ReadingModel::calcjustscale(int mode, CacheManager& cache, int areaW, int areaH) const
{
    if (!bookOpen_)
        return 1.0f;
    debugPrint("calcjustscale %d called\n", mode);
    const int right = currentPage_ - spreadShift_;
    int size[2][2] = {{0, 0}, {0, 0}}; // width and height of the right and the left page
    for (int i = 0; i < 2; ++i) {
        const int page = right + i;
        if (page < 0 || page >= pageCount())
            continue;
        CacheObject* o =
            cache.prepareEntry(FILTEREDIMG, page, filterParam1_, filterParam2_, 100.0f);
        if (!o)
            continue;
        o->imageData(&size[i][0], &size[i][1]);
        cache.release(o);
    }
    return fitScale(mode, spreadSizeOf(size[0][0], size[0][1], size[1][0], size[1][1]), areaW,
                    areaH);
}

ReadingChange ReadingModel::endLiveZoom(float zoom)
{
    jumpRequest_ = JUMP_TO_SAVED;
    ReadingChange change = setZoom(zoom);
    // The field showed the preview's zoom: back to the zoom in force.
    change.zoomField = true;
    change.window = true;
    return change;
}

ReadingChange ReadingModel::setBinding(int binding)
{
    ReadingChange change;
    if (binding == binding_ || (binding != RIGHT_BINDING && binding != LEFT_BINDING))
        return change;
    binding_ = binding;
    debugPrint(binding_ == RIGHT_BINDING ? "右開きへ変更\n" : "左開きへ変更\n");
    change.arrows = true;
    change.list = true;
    change.scrollArea = true;
    return change;
}

ReadingChange ReadingModel::toggleSpreadUnit()
{
    ReadingChange change;
    change.spreadUnitMark = true;
    if (!bookOpen_)
        return change;
    // The pseudo last page has no real page under the other unit: show the spread before it.
    currentPage_ = spreadAfterUnitChange(currentPage_, pageCount(), spreadShift_);
    spreadShift_ = 1 - spreadShift_;
    change.list = true;
    change.spread = true;
    return change;
}

bool ReadingModel::requestRename(const std::string& name)
{
    if (!bookOpen_)
        return false;
    if (!acceptableBookName(name)) {
        messageBox(nullptr, "エラー", "このファイル名は使えません", BoxIcon::Error);
        return false;
    }
    if (name != bookFileName_ && pathExists(bookFolder_ + name)) {
        messageBox(nullptr, "エラー", "同名のファイルが存在します", BoxIcon::Error);
        return false;
    }
    newFileName_ = name;
    return true;
}

void ReadingModel::settleRename(const RenameNow& rename)
{
    if (bookOpen_ || relisting_) {
        const std::string before = bookFileName_;
        rename(bookFolder_, bookFileName_, newFileName_);
        if (bookFileName_ != before && memory_)
            memory_->renamed(bookFolder_ + before, bookFolder_ + bookFileName_);
        return;
    }
    std::string name, newName; // no book: nothing to rename
    rename(bookFolder_, name, newName);
}

int ReadingModel::takeJumpRequest()
{
    const int request = jumpRequest_;
    jumpRequest_ = JUMP_NONE;
    return request;
}

void ReadingModel::queuePrefetch(int page, CacheManager& cache) const
{
    if (!bookOpen_)
        return;
    for (int p : prefetchPages(page, pageCount()))
        cache.requestChain({SCALEDIMG, p, filterParam1_, filterParam2_, zoomPercent_});
}
