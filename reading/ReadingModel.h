#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reading/ReadingChange.h"
#include "reading/ReadingMemory.h"

class CacheManager;
class ImageOperatorWrapper;

enum { RIGHT_BINDING = 0, LEFT_BINDING = 1 };

// Scroll placements the spread view applies at its next draw (see takeJumpRequest).
enum JumpRequest {
    JUMP_NONE = 0,
    JUMP_TO_START = 1,  // top-right corner under right binding, else top-left
    JUMP_TO_TOP = 2,    // the top, keeping the horizontal position
    JUMP_TO_BOTTOM = 3, // the bottom, keeping the horizontal position
    JUMP_TO_SAVED = 4   // the position a live zoom saved
};

// The book state of the main window and the commands that change it, without widgets: the
// open book, the spread shown, binding and spread unit, zoom and the last fit, the pending
// scroll placement, and the book file's names with the rename that waits for the close.
// Invariants: currentPage is even, at least 0 and, while a book is open, at most lastSpread();
// bookOpen implies book; zoomPercent changes only through setZoom (1 … 400 %), a fit or an
// open. Each command returns what changed (ReadingChange) and the main window only shows it.
// Message boxes go through platform/Dialogs.h. UI thread only.
class ReadingModel {
  public:
    ReadingModel();
    virtual ~ReadingModel();
    ReadingModel(const ReadingModel&) = delete;
    ReadingModel& operator=(const ReadingModel&) = delete;

    // The state, readable by everyone under the names the views know; only the commands below
    // write it.
    const std::unique_ptr<ImageOperatorWrapper>& book = book_; // the open book, or null
    const int& bookOpen = bookOpen_;
    const int& currentPage = currentPage_; // spread position c: pages c - s and c - s + 1
    const int& binding = binding_;         // RIGHT_BINDING or LEFT_BINDING
    const int& spreadShift = spreadShift_; // s: 1 when the first page stands alone
    const float& zoomPercent = zoomPercent_;
    const float& filterParam1 = filterParam1_;   // passed with every cache request: 1.0
    const float& filterParam2 = filterParam2_;   // and 0.0
    const int& jumpRequest = jumpRequest_;       // JumpRequest
    const int& lastFitMode = lastFitMode_;       // FitMode of the fit that set the zoom, or kNoFit
    const std::string& bookPath = bookPath_;     // as given to openBook
    const std::string& bookFolder = bookFolder_; // full folder of the book, ending in "/"
    const std::string& bookFileName = bookFileName_; // the name on disk
    const std::string& newFileName = newFileName_;   // the name the file gets at the close
    static constexpr int kNoFit = -1;

    // The options of the command line; before any book is open.
    void setStartOptions(int binding, int spreadShift);
    // The window message boxes belong to (null in tests).
    void setBoxOwner(const void* owner) { boxOwner_ = owner; }
    // Where the reader stopped in each book and the books opened last (not owned; null: nothing
    // is remembered).
    void setMemory(ReadingMemory* memory) { memory_ = memory; }
    // "前回の位置から開く": true (the default) opens a book at the spread holding the page where
    // the reader left it; false at its first spread. Leaving a book remembers its place either way.
    void setResume(bool resume) { resume_ = resume; }
    bool resume() const { return resume_; }

    int pageCount() const; // 0 without a book
    int lineCount() const; // lines of the spread list
    int currentLine() const;
    // The last spread position, the pseudo last page included: 2 ⌊(n − 1 + s) / 2⌋, at least 0.
    int lastSpread() const;
    bool canGoForward() const;
    bool canGoBack() const;
    // The first page of the spread a turn forward or back shows (what its prefetch asks for).
    int turnTarget(bool forward) const;
    std::vector<std::string> listLines() const;
    // "%s%s (%d pages)" of the folder, name and page count; "Mekuri" without a book.
    std::string title() const;
    // The zoom as the zoom field shows it: "%d" of the zoom truncated.
    std::string zoomText() const;
    // A page's label once decoded, else its name; "*" outside the book.
    std::string pageDisplayName(int page) const;

    // Opens the book at `path`, closing the open one first (its pending rename included):
    // lists, filters and sorts its pages, makes its folder the current directory, sets the
    // opening zoom for a scroll area of areaW × areaH and opens the cache. With resume() and a
    // position remembered for the book as it is now (same path, size and time), it shows the
    // spread holding that page under the current spread unit, clamped to the last spread, with
    // JUMP_TO_START and its list line; the prefetch is always of the spread after the one shown.
    // A book with pages goes first in the recent list. A failure shows its
    // box ("ファイル(%s)を開けません", "jpegファイルが無いので開けません…"); a second open
    // while one lists is refused with "他のファイルを開いている途中です". `opened` tells
    // whether a book with pages is open. The close, the reset and a zero-page book before its
    // box go to `show` first.
    ReadingChange openBook(const std::string& path, CacheManager& cache, int areaW, int areaH,
                           const ChangeSink& show = {});
    // Remembers where the reader is (keepPosition), empties the cache, forgets the book and
    // carries out the pending rename (whose failure box comes after `show` got the rest), the
    // remembered position and recent entry following the new name. currentPage and the zoom
    // stay until the next open.
    ReadingChange closeBook(CacheManager& cache, const ChangeSink& show = {});

    // One spread forward (the pseudo last page included) or back, with the scroll placement
    // `request`; nothing at either end or without a book.
    ReadingChange forwardPage(int request);
    ReadingChange backPage(int request);
    // The arrow keys and items: the left one goes forward under right binding, the right one
    // under left binding; forward with JUMP_TO_START, back with none.
    ReadingChange arrowTurn(bool leftArrow);
    // The spread of list line `line` (from 1); nothing for no line or the current one.
    ReadingChange jumpToLine(int line);

    // The zoom in percent: refused with a box beyond 1 … 400 %, nothing when equal.
    ReadingChange setZoom(float percent);
    // The numeric zoom dialog's text: its leading number, "入力が不正です" when not above 0.
    ReadingChange zoomFromText(const std::string& text);
    // Fits the current spread by `mode` (FitMode) into a scroll area of areaW × areaH: the
    // area goes to (0, 0) (handed to `show` before a refusal box), then the zoom. The fit is
    // remembered in lastFitMode until another command changes the zoom.
    ReadingChange fit(int mode, CacheManager& cache, int areaW, int areaH,
                      const ChangeSink& show = {});
    // The scale (1.0 = 100 %) a fit by `mode` would set, from the full-size pictures of the
    // current spread; 1.0 without a book. Changes nothing.
    float calcjustscale(int mode, CacheManager& cache, int areaW, int areaH) const;
    // The end of a live zoom (Ctrl + wheel or pinch) at `zoom`: the view keeps the point under
    // the pointer (JUMP_TO_SAVED) and the zoom field shows the zoom in force afterwards.
    ReadingChange endLiveZoom(float zoom);

    // Right or left binding: mirrors the spread, the list and the arrows.
    ReadingChange setBinding(int binding);
    // The spread unit (whether the first page stands alone); from the pseudo last page it
    // steps back so that the spread keeps real pages. Without a book only the check mark is
    // put back.
    ReadingChange toggleSpreadUnit();

    // The rename dialog's OK: true when `name` becomes the name the book file gets at the
    // close; false after the box that says why not (an unusable name, the catalog file's
    // name in any case, or the name of another file in the book's folder).
    bool requestRename(const std::string& name);
    // Carries out the pending rename now, through `rename`, which gets the folder and both
    // names and leaves the names equal (see saveBeforeExit); what the memory keeps of the book
    // follows a new name. Without a book it gets two equal empty names. A book being listed
    // again in another name order (setNaturalOrder) counts as open, here and in keepPosition.
    using RenameNow =
        std::function<void(const std::string& folder, std::string& name, std::string& newName)>;
    void settleRename(const RenameNow& rename);
    // Gives the memory the open book's position now, its lower page (currentPage −
    // spreadShift) under its name on disk and its size and time when it was opened: what
    // leaving the book does, for an exit that may not reach the close. Nothing without a book
    // with pages. Traces "position: kept page P of PATH (SIZE bytes, time MTIME)". Shows nothing.
    void keepPosition() const;

    // Home and End: the first or the last spread (lastSpread()), placed with JUMP_TO_START, its
    // list line chosen and the spread after it prefetched as a turn forward does; nothing
    // without a page.
    ReadingChange showEndSpread(bool last);
    // Ctrl + Page Down / Page Up: opens the next or previous book of the open book's folder
    // (NextBook.h's order) as openBook does. The step starts from the name the book gets at
    // its close, whose pending rename the close then carries out before the other book is
    // read. Without an open book it goes on from the book the last step failed to open. At
    // either end nothing happens but the trace "次のﾌｧｲﾙはありません" / "前のﾌｧｲﾙはありません".
    ReadingChange openNeighbourBook(bool forward, CacheManager& cache, int areaW, int areaH,
                                    const ChangeSink& show = {});
    // Switches the name order (platform/NameOrder.h). An open book is listed again in the new
    // order with the cache emptied, the pending rename left waiting, the zoom kept, showing
    // the spread that holds the page shown before. A book that can no longer be listed is
    // closed with the box "ファイル(%s)を開けません".
    ReadingChange setNaturalOrder(bool natural, CacheManager& cache, const ChangeSink& show = {});

    // Asks for the scroll placement `request` (JumpRequest) at the next paint of the spread,
    // as opening from the menu or the catalog does; the caller has the spread redrawn.
    void requestJump(int request) { jumpRequest_ = request; }
    // The pending scroll placement, cleared: the spread view takes it when it paints.
    int takeJumpRequest();
    // Queues the scaled pictures of pages `page` and `page` + 1 at the current zoom for the
    // worker; nothing without a book.
    void queuePrefetch(int page, CacheManager& cache) const;

  private:
    void showSpread(int position, int request, ReadingChange& change);
    void resetForOpen(ReadingChange& change);
    void takeNames(const std::string& path);
    // The full name the open book gets at its close when `path` names it and a rename is
    // pending; empty otherwise.
    std::string pendingNameOf(const std::string& path) const;
    // Renames the book's file to the name asked for, as its close does.
    void carryOutRename();
    void setOpeningZoom(CacheManager& cache, int areaW, int areaH, ReadingChange& change);
    void restorePosition(ReadingChange& change);
    void reopenInOrder(CacheManager& cache, ReadingChange& change, const ChangeSink& show);

    std::unique_ptr<ImageOperatorWrapper> book_;
    int bookOpen_ = 0;
    int currentPage_ = 0;
    int binding_ = RIGHT_BINDING;
    int spreadShift_ = 1;
    float zoomPercent_ = 100.0f;
    float filterParam1_ = 1.0f;
    float filterParam2_ = 0.0f;
    int jumpRequest_ = JUMP_NONE;
    int lastFitMode_ = kNoFit;
    std::string bookPath_, bookFolder_, bookFileName_, newFileName_;
    bool opening_ = false; // a listing runs the event loop: refuse another open meanwhile
    // The open book is being listed again in another name order: still the book being read,
    // whose place and pending rename an exit from the listing's event loop must save.
    bool relisting_ = false;
    // The book a next-book step failed to open (folder and name), where the next step goes on
    // from while no book is open; cleared by every other open.
    std::string stepFolder_, stepName_;
    const void* boxOwner_ = nullptr;
    ReadingMemory* memory_ = nullptr;
    bool resume_ = true;
    BookIdentity openedAs_; // the open book's size and time when it was opened
    bool identified_ = false;
};
