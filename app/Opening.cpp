#include "Opening.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Output.H>
#include <FL/Fl_Radio_Round_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/filename.H>
#include <FL/fl_draw.H>

#include <unistd.h>

#include "CatalogWindow.h"
#include "Commands.h"
#include "DropRules.h"
#include "Mekuri.h"
#include "ModalDialog.h"
#include "PrintJobGuard.h"
#include "catalog/CatalogFile.h"
#include "catalog/ui/CatalogCommands.h"
#include "catalog/ui/CatalogView.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "views/DropTarget.h"
#include "views/MekuriScroll.h"
#include "views/MihirakiPages.h"
#include "views/PageList.h"

namespace {

bool droppingPath = false;
std::string pendingDrop; // dropped, to be opened by openPendingDrop

// The folder a catalog is opened on: the path itself, or the folder of a file, without a
// trailing "/".
std::string catalogFolderOf(const std::string& path)
{
    std::string folder = fullPath(path);
    if (!isDirectory(folder))
        folder = folderOf(folder);
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

void redrawLater(void* widget)
{
    static_cast<Fl_Widget*>(widget)->redraw();
}

void openPendingDrop(void*)
{
    const std::string path = std::move(pendingDrop);
    pendingDrop.clear();
    droppingPath = false;
    // A modal window may have come up since the drop; a closing program opens nothing.
    if (dropRefusedWhileModal() || !mainWindow || !mainWindow->shown())
        return;
    openDroppedPath(path);
}

} // namespace

int openBook(const std::string& path)
{
    Mekuri* w = mainWindow;
    const ReadingChange change =
        w->openBook(path, w->cacheManager, w->areaW(), w->areaH(), w->showNow());
    w->apply(change);
    return change.opened ? 1 : 0;
}

void closeBook()
{
    Mekuri* w = mainWindow;
    w->apply(w->closeBook(w->cacheManager, w->showNow()));
}

void openChosenBook(const std::string& path)
{
    Mekuri* w = mainWindow;
    openBook(path);
    clearViewArea();
    w->requestJump(JUMP_TO_START);
    Fl::add_timeout(0.0, redrawLater, w->scrollArea);
}

void clearViewArea()
{
    Mekuri* w = mainWindow;
    if (!w->shown())
        return;
    int x, y, width, height;
    w->scrollArea->interior(x, y, width, height);
    w->make_current();
    fl_color(192, 192, 192);
    fl_rectf(x, y, w->pages->w(), w->pages->h());
}

FolderMode askFolderMode()
{
    DialogRequest request;
    request.title = "フォルダを開く";
    request.text = "このフォルダの";
    request.buttons = {"OK", "ｷｬﾝｾﾙ"};
    request.value = "カタログを開く";
    DialogAnswer answer;
    if (answeredBySeam(request, answer)) {
        if (answer.button != 0)
            return FOLDER_CANCEL;
        return answer.value == "画像を開く" ? FOLDER_IMAGES : FOLDER_CATALOG;
    }
    Fl_Window dialog(260, 140, "フォルダを開く");
    Fl_Box text(15, 10, 230, 20, "このフォルダの");
    text.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    Fl_Radio_Round_Button catalog(30, 35, 200, 22, "カタログを開く");
    Fl_Radio_Round_Button images(30, 60, 200, 22, "画像を開く");
    catalog.set();
    Fl_Return_Button ok(40, 100, 80, 25, "OK");
    Fl_Button cancel(140, 100, 80, 25, "ｷｬﾝｾﾙ");
    dialog.end();
    if (mainWindow && mainWindow->shown())
        dialog.position(mainWindow->x() + (mainWindow->w() - dialog.w()) / 2, mainWindow->y() + 80);
    if (!runOkCancel(&dialog, &ok, &cancel))
        return FOLDER_CANCEL;
    return images.value() ? FOLDER_IMAGES : FOLDER_CATALOG;
}

void startupOpen()
{
    Mekuri* w = mainWindow;
    const std::string path = w->startupPath;
    if (isDirectory(path)) {
        const FolderMode mode = askFolderMode();
        if (mode == FOLDER_CANCEL)
            return;
        if (mode == FOLDER_CATALOG) {
            openCatalogFolder(catalogFolderOf(path));
            return;
        }
    } else if (isCatalogFileName(lastComponent(path))) {
        openCatalogFolder(catalogFolderOf(path));
        return;
    }
    openBook(path);
    Fl::add_timeout(0.0, redrawLater, w->scrollArea);
    Fl::add_timeout(0.0, redrawLater, w->pageList);
    Fl::awake();
}

std::string firstDroppedPath(const char* text)
{
    char host[256] = "";
    if (gethostname(host, sizeof host - 1) != 0)
        host[0] = '\0';
    const DroppedPath dropped = parseDroppedList(text ? text : "", host);
    if (!dropped.refusal.empty())
        debugPrint("%s", dropped.refusal.c_str());
    return dropped.path;
}

void openDroppedPath(const std::string& path)
{
    if (refusedWhilePrinting())
        return;
    Mekuri* w = mainWindow;
    if (droppingPath || path.empty())
        return;
    droppingPath = true;
    if (isDirectory(path)) {
        const FolderMode mode = askFolderMode();
        if (mode == FOLDER_CANCEL) {
            droppingPath = false;
            return;
        }
        if (mode == FOLDER_CATALOG) {
            openCatalogFolder(catalogFolderOf(path));
            droppingPath = false;
            return;
        }
    } else if (isCatalogFileName(lastComponent(path))) {
        openCatalogFolder(catalogFolderOf(path));
        droppingPath = false;
        return;
    }
    openBook(path);
    w->scrollArea->redraw();
    droppingPath = false;
}

int dropText(const char* text)
{
    Mekuri* w = mainWindow;
    if (!w || dropRefusedWhileModal())
        return 1;
    if (w->pages->mode != MODE_IDLE)
        w->pages->endMode();
    if (w->pages->mode != MODE_IDLE)
        return 0;
    if (droppingPath) {
        debugPrint("drop ignored: another drop is being handled\n");
        return 1;
    }
    const std::string path = firstDroppedPath(text);
    if (path.empty())
        return 1;
    // Opened once this event has returned: only then does the toolkit tell the drag source
    // that the drop is finished, and the folder question must not keep the source waiting.
    droppingPath = true;
    pendingDrop = path;
    Fl::add_timeout(0.0, openPendingDrop);
    return 1;
}

void open_cb(Fl_Widget*, void*)
{
    if (refusedWhilePrinting())
        return;
    debugPrint("open_cb called\n");
    std::string chosen;
    DialogRequest request;
    request.title = "ファイルを開く";
    request.buttons = {"OK", "ｷｬﾝｾﾙ"};
    DialogAnswer answer;
    if (answeredBySeam(request, answer)) {
        if (answer.button != 0)
            return;
        chosen = answer.value;
    } else {
        Fl_Native_File_Chooser chooser;
        chooser.title("ファイルを開く");
        chooser.type(Fl_Native_File_Chooser::BROWSE_FILE);
        chooser.directory(".");
        // Patterns match both letter cases; comic-book names are the same archives.
        chooser.filter("ZIP, LZH, RAR file\t*.{[Zz][Ii][Pp],[Ll][Zz][Hh],[Rr][Aa][Rr],"
                       "[Cc][Bb][Zz],[Cc][Bb][Rr],7[Zz],[Cc][Bb]7}\n"
                       "ZIP file\t*.[Zz][Ii][Pp]\n"
                       "LZH file\t*.[Ll][Zz][Hh]\n"
                       "RAR file\t*.[Rr][Aa][Rr]\n"
                       "All File *\t*");
        if (chooser.show() != 0 || !chooser.filename() || !*chooser.filename())
            return;
        chosen = chooser.filename();
    }
    openChosenBook(chosen);
}

void close_cb(Fl_Widget*, void* window)
{
    if (refusedWhilePrinting())
        return;
    auto* w = static_cast<Mekuri*>(window);
    if (!w || !w->bookOpen)
        return;
    closeBook();
    clearViewArea();
}

void catalog_cb(Fl_Widget*, void* window)
{
    auto* w = static_cast<Mekuri*>(window);
    if (!w)
        return;
    std::string folder;
    if (!browseForFolder(w, folder))
        return;
    if (!w->catalogView)
        openCatalogWindow(w);
    w->catalogView->openFolder(folder);
}
