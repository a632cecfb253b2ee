#pragma once

#include <climits>
#include <functional>

// What a command of the reading model changed, for the main window to show: the window
// updates exactly the widgets named here and decides nothing itself.
struct [[nodiscard]] ReadingChange {
    static constexpr int kNoPrefetch = INT_MIN;

    bool spread = false;     // the spread view shows another spread or book: redraw it
    bool scrollArea = false; // the whole scroll area repaints (the binding changed)
    bool window = false;     // the whole main window repaints (the zoom changed)
    bool title = false;      // the window title is ReadingModel::title() now
    bool list = false;       // the spread list is refilled from listLines(), current line chosen
    int listLine = 0;        // select this line (from 1) of the spread list and redraw it
    bool zoomField = false;  // the zoom field shows ReadingModel::zoomText()
    bool scrollToOrigin = false; // a fit: the scroll area goes to (0, 0) first
    bool arrows = false;         // the two arrow items are labelled for the binding
    bool spreadUnitMark = false; // the spread-unit item's check mark follows spreadShift
    bool newBook = false;        // another book is open: the spread view forgets a cancelled press
    bool opened = false;         // openBook: a book with at least one page is open
    int prefetch = kNoPrefetch;  // prefetch this page and the next in 0.2 s (schedulePrefetch)

    // Adds what `later` changed; its list line and prefetch win over earlier ones.
    void merge(const ReadingChange& later)
    {
        spread |= later.spread;
        scrollArea |= later.scrollArea;
        window |= later.window;
        title |= later.title;
        list |= later.list;
        zoomField |= later.zoomField;
        scrollToOrigin |= later.scrollToOrigin;
        arrows |= later.arrows;
        spreadUnitMark |= later.spreadUnitMark;
        newBook |= later.newBook;
        opened |= later.opened;
        if (later.listLine != 0)
            listLine = later.listLine;
        if (later.prefetch != kNoPrefetch)
            prefetch = later.prefetch;
    }
};

// Where a command that runs in stages hands what it changed so far, when the window must show
// it before the command goes on (a book listing that runs the event loop, a message box).
// Without one, the stages merge into the change the command returns.
using ChangeSink = std::function<void(const ReadingChange&)>;
