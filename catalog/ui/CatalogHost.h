#pragma once

#include <string>

class Fl_Window;

// What the catalog window needs of the main window, which implements it (the catalog layer sits
// below the application and cannot call it directly). UI thread only.
class CatalogHost {
  public:
    virtual ~CatalogHost() = default;

    // The main window, or null when it is gone.
    virtual Fl_Window* hostWindow() = 0;
    // Whether the main window is closing the catalog itself ("閉じる"), not the user's frame.
    virtual bool closingCatalog() const = 0;
    // The main window's close button path (which ends the program).
    virtual void requestClose() = 0;
    // The main window's quit command.
    virtual void quit() = 0;
    // The catalog's "閉じる": deletes the catalog window through the main window, which forgets
    // it. The window may be deleted only once its own running code has returned.
    virtual void closeCatalog() = 0;

    // Opens the book at `path` in the main window and shows its start at once. 1 when it opened.
    virtual int openBook(const std::string& path) = 0;
    // Full path of the book open in the main window; empty when none is open.
    virtual std::string openBookPath() const = 0;
    // Moves a file, never replacing another; shows its own failure box. 1 on success.
    virtual int renameFile(const std::string& oldPath, const std::string& newPath) = 0;
    // The catalog window shows the folder `folder` (a full path, for the recent books).
    virtual void folderOpened(const std::string& folder) { (void)folder; }
    // Takes the main window's spread-list tip away at once (before a rename or a build).
    virtual void removePageListTip() = 0;
    // A dropped text/uri-list: the main window's drop rules (book, folder, catalog file). Returns
    // 1 when the drop was taken.
    virtual int dropText(const char* text) = 0;
};
