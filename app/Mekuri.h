#pragma once

#include <FL/Fl_Output.H>
#include <FL/Fl_Window.H>

#include <string>

#include "StartOptions.h"
#include "views/ViewerState.h"

class Fl_Menu_Bar;

// The main window: menu bar, zoom field, spread list and the scroll area holding the spread
// view. Its fields carry the book state every view reads. Exactly one exists, reached through
// mainWindow. UI thread only.
class Mekuri : public Fl_Window, public ViewerState {
public:
    Mekuri(int width, int height, const StartOptions& options);
    ~Mekuri() override;

    void draw() override;
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    // Pages in the open book; 0 when none is open.
    int pageCount() const override;

    std::string pendingStartupPath; // command-line path still to be opened
    std::string startupPath;        // command-line path, kept
    bool hasStartupPath = false;
    std::string bookPath;           // path of the open book as given to openBook
    std::string bookFolder;         // full folder of the open book, ending in "/"
    std::string bookFileName;       // the book's file name as stored on disk
    std::string newFileName;        // name the book file gets when the book is closed

    Fl_Menu_Bar* menuBar = nullptr;
    int closingCatalog = 0;
    int quitting = 0;
    double lastWheelTime = 0.0;

private:
    static void redrawScrollAreaCb(void* window);
};

// The one main window; set before its children are made, never changed afterwards.
extern Mekuri* mainWindow;
