#pragma once

#include <string>

// Windows into the running program for the reading robot (tests/robot), each enabled by an
// environment variable and changing nothing when it is unset:
//
// MEKURI_TEST_PROBE=FIFO   the UI thread watches the named pipe; a line "ping N" is answered
//                          by the trace line "probe: alive N" (preceded by a state line when
//                          MEKURI_TEST_STATE is set). Only the UI thread answers, so an answer
//                          proves the event loop runs (the X server answers window queries
//                          even when the program hangs).
// MEKURI_TEST_STATE=1      after every pass of the event loop that changed it, one trace line
//                          "state: title=…<TAB>line=…<TAB>zoom=…<TAB>page=…<TAB>pages=…
//                          <TAB>shift=…<TAB>binding=…<TAB>mode=…<TAB>view=X,Y,W,H<TAB>catalog=…<TAB>catsel=…
//                          <TAB>catentries=…<TAB>catname=…<TAB>catrename=…<TAB>catscroll=…
//                          <TAB>resume=…<TAB>printdowns=…<TAB>windows=…" (printdowns: the
//                          Down presses from ﾌｧｲﾙ(&F) to 印刷, keyDownsTo).
// MEKURI_TEST_CACHE_LIMIT=BYTES  the image cache's limit, below the usual floor if asked.
//
// Installed once by main after the main window is shown. UI thread only.
void installTestHooks();

// The open windows as the state line names them, comma-separated, main window first:
// "main", "catalog", "monitor" (the catalog's building monitor), "property" (the main window's
// property window), "catproperty" (the catalog's), "loupe", "print", "tip" (the spread list's
// tip), "menu" (any open pull-down or pop-up menu), "box:TITLE" for a modal window (a message box
// or a dialog) and "window:TITLE" for any other. Exposed for the unit test of the line's format.
struct WindowNames {
    bool main = false, catalog = false, monitor = false, property = false, catProperty = false,
         loupe = false, print = false, tip = false, menus = false;
    std::string others; // "box:…" and "window:…" tokens, comma-separated
};
std::string windowList(const WindowNames& names);

// A text made safe for one field of the state line: tabs and line ends become blanks.
std::string stateField(const std::string& text);

// Parses MEKURI_TEST_CACHE_LIMIT's value: whole decimal bytes, at least 1, at most 4294967295;
// 0 for anything else (then the computed limit stays).
unsigned parseCacheLimit(const char* text);
