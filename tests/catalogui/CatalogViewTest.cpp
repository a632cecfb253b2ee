// The catalog window on a real X server (Xvfb): building under the monitor, reopening from the
// catalog file, deleting the window from inside its own event pumps, renaming, searching,
// layout and the hide rule. The main window is a fake host.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "catalog/CatalogBuild.h"
#include "catalog/CatalogFile.h"
#include "catalog/ui/CatalogBuildingMonitor.h"
#include "catalog/ui/CatalogCommands.h"
#include "catalog/ui/CatalogPage.h"
#include "catalog/ui/CatalogView.h"
#include "catalog/ui/RenameField.h"
#include "pipeline/PluginRegistry.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "platform/UiHooks.h"
#include "tests/catalog/CatalogTestSupport.h"
#include "tools/BookMaker.h"

using catalogtest::TempFolder;

namespace {

class FakeHost : public CatalogHost {
  public:
    Fl_Window* hostWindow() override { return main; }
    bool closingCatalog() const override { return closing; }
    void requestClose() override { ++closeRequests; }
    void quit() override { closeCatalog(); }
    void closeCatalog() override
    {
        if (!view)
            return;
        closing = true;
        CatalogView* v = view;
        view = nullptr;
        CatalogView::dispose(v);
        closing = false;
    }
    int openBook(const std::string& path) override
    {
        opened.push_back(path);
        return 1;
    }
    std::string openBookPath() const override { return bookPath; }
    int renameFile(const std::string& from, const std::string& to) override
    {
        return from == to || renameNoReplace(from, to) == 0 ? 1 : 0;
    }
    int dropText(const char*) override { return 0; }
    void removePageListTip() override { ++tipRemovals; }
    int tipRemovals = 0;

    CatalogView* view = nullptr;
    Fl_Window* main = nullptr;
    bool closing = false;
    int closeRequests = 0;
    std::vector<std::string> opened;
    std::string bookPath;
};

std::vector<unsigned char> page(int w, int h, Rgb colour)
{
    return encodeJpeg(RgbImage(w, h, colour), 85);
}

// Runs the event loop until `done` holds or `seconds` pass.
bool waitFor(const std::function<bool()>& done, double seconds = 20)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        Fl::wait(0.02);
    }
    return true;
}

int indexOf(const CatalogView* view, const std::string& name)
{
    for (size_t i = 0; i < view->model.entries.size(); ++i) {
        if (entryName(*view->model.entries[i]) == name)
            return static_cast<int>(i);
    }
    return -1;
}

class CatalogViewTest : public testing::Test {
  protected:
    void SetUp() override
    {
        unloadPlugins();
        loadPluginsFrom(MEKURI_BIN_DIR);
        setEventPump([] { Fl::check(); });
        setDialogResponder([this](const DialogRequest& r, DialogAnswer& a) {
            requests.push_back(r.title + "|" + r.text);
            if (answers.empty())
                return false;
            a = answers.front();
            answers.erase(answers.begin());
            return true;
        });
        ASSERT_TRUE(writeZip(folder.file("vol1.zip"), {{"p1.jpg", page(250, 375, {200, 40, 40})}}));
        ASSERT_TRUE(writeZip(folder.file("vol2.zip"), {{"p1.jpg", page(375, 250, {40, 40, 200})}}));
        ASSERT_TRUE(writeZip(folder.file("text.zip"), {{"readme.txt", {'h', 'i'}}}));
        catalogtest::writeBytes(folder.file("book.lzh"),
                                catalogtest::readBytes(std::string(MEKURI_FIXTURES) +
                                                       "/books/photobook_lh5_level1.lzh"));
    }

    void TearDown() override
    {
        host.closeCatalog();
        delete host.main;
        setEventPump(nullptr);
        setDialogResponder(nullptr);
        unloadPlugins();
    }

    // Opens the folder in a new catalog window and waits until its building has ended.
    void openAndBuild()
    {
        host.view = makeCatalogWindow(host);
        host.view->openFolder(folder.path());
        ASSERT_TRUE(waitFor([this] {
            return host.view && host.view->catalogOpen && !host.view->model.entries.empty() &&
                   !host.view->monitor && entriesWithoutThumbnail(host.view->model.entries) == 0;
        }));
    }

    // Closes the catalog window and opens the folder in a new one, until its entries are listed;
    // false when a building monitor came meanwhile.
    bool reopenWithoutMonitor()
    {
        host.closeCatalog();
        host.view = makeCatalogWindow(host);
        host.view->openFolder(folder.path());
        bool monitorSeen = false;
        EXPECT_TRUE(waitFor([&] {
            monitorSeen = monitorSeen || host.view->monitor;
            return host.view->model.entries.size() == 4;
        }));
        return !monitorSeen;
    }

    TempFolder folder;
    FakeHost host;
    std::vector<DialogAnswer> answers;
    std::vector<std::string> requests;
};

TEST_F(CatalogViewTest, BuildingGivesEveryArchiveAThumbnailAndSavesTheCatalog)
{
    host.view = makeCatalogWindow(host);
    EXPECT_STREQ(host.view->label(), "カタログ");
    host.view->openFolder(folder.path());
    EXPECT_EQ(host.view->label(), folder.path());
    bool monitorSeen = false;
    ASSERT_TRUE(waitFor([&] {
        monitorSeen = monitorSeen || (host.view->monitor && host.view->monitor->shown());
        return !host.view->model.entries.empty() && !host.view->monitor &&
               entriesWithoutThumbnail(host.view->model.entries) == 0;
    }));
    EXPECT_TRUE(monitorSeen);
    ASSERT_EQ(host.view->model.entries.size(), 4u);
    const CatalogEntry& vol1 = *host.view->model.entries[indexOf(host.view, "vol1.zip")];
    EXPECT_EQ(vol1.thumbWidth, 85);
    EXPECT_EQ(vol1.thumbHeight, 128);
    EXPECT_TRUE(host.view->model.modified);
    host.closeCatalog();
    const auto bytes = catalogtest::readBytes(catalogFilePath(folder.path()));
    ASSERT_GE(bytes.size(), 28u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 20), "mekuri catalog 0000\n");
    EXPECT_EQ(bytes[24], 4); // four records
}

TEST_F(CatalogViewTest, ReopeningTakesTheThumbnailsFromTheCatalogFile)
{
    openAndBuild();
    EXPECT_TRUE(reopenWithoutMonitor());
    // Nor does one come a little later.
    EXPECT_FALSE(waitFor([this] { return host.view->monitor != nullptr; }, 0.3));
    EXPECT_FALSE(host.view->monitor);
    // The archive without pictures was saved with its placeholder, since the real thumbnails
    // had marked the catalog modified.
    EXPECT_EQ(entriesWithoutThumbnail(host.view->model.entries), 0);
}

TEST_F(CatalogViewTest, ClosingFromInsideARemakeWaitsUntilTheRemakeReturns)
{
    openAndBuild();
    CatalogView* view = host.view;
    view->selectEntry(indexOf(view, "book.lzh"));
    Fl_Widget_Tracker tracker(view);
    int pumps = 0;
    bool aliveWhenClosed = false, hiddenWhenClosed = false, savedWhenClosed = false;
    setEventPump([&] {
        if (pumps++ == 0) {
            host.closeCatalog();
            aliveWhenClosed = !tracker.deleted();
            hiddenWhenClosed = !view->shown();
            savedWhenClosed = pathExists(catalogFilePath(folder.path()));
        }
        Fl::check();
    });
    catalogPopupMenu[CATALOG_POPUP_REMAKE].do_callback(view, view);
    EXPECT_GT(pumps, 0);
    EXPECT_TRUE(aliveWhenClosed);
    EXPECT_TRUE(hiddenWhenClosed);
    EXPECT_TRUE(savedWhenClosed);
    EXPECT_TRUE(tracker.deleted());
}

TEST_F(CatalogViewTest, ClosingFromInsideTheBuildingEndsIt)
{
    int pumps = 0;
    Fl_Widget_Tracker* tracker = nullptr;
    bool aliveWhenClosed = false;
    setEventPump([&] {
        // The first pump is the building's own (grid on screen); close during an extraction.
        if (++pumps == 3) {
            host.closeCatalog();
            aliveWhenClosed = !tracker->deleted();
        }
        Fl::check();
    });
    host.view = makeCatalogWindow(host);
    Fl_Widget_Tracker t(host.view);
    tracker = &t;
    host.view->openFolder(folder.path());
    ASSERT_TRUE(waitFor([&] { return t.deleted(); }));
    EXPECT_TRUE(aliveWhenClosed);
    EXPECT_FALSE(host.view);
    // What was made before the close is kept in the file.
    EXPECT_TRUE(pathExists(catalogFilePath(folder.path())));
}

TEST_F(CatalogViewTest, RenameInPlaceMovesTheFileAndTheEntry)
{
    openAndBuild();
    CatalogView* view = host.view;
    view->selectEntry(indexOf(view, "vol1.zip"));
    const int tipRemovals = host.tipRemovals;
    view->beginRename(view->model.selectedIndex);
    ASSERT_TRUE(view->renameField);
    EXPECT_STREQ(view->renameField->value(), "vol1.zip");
    EXPECT_EQ(host.tipRemovals, tipRemovals + 1); // the main window's list tip goes first
    view->renameField->value("第1巻.zip");
    view->renameEnding = true;
    view->applyRename();
    EXPECT_TRUE(pathExists(folder.file("第1巻.zip")));
    EXPECT_FALSE(pathExists(folder.file("vol1.zip")));
    EXPECT_EQ(entryName(*view->model.entries[view->model.selectedIndex]), "第1巻.zip");
    ASSERT_TRUE(waitFor([&] { return view->renameField == nullptr; }));
}

TEST_F(CatalogViewTest, ABookRenamedAtItsCloseKeepsItsCellAndThumbnail)
{
    openAndBuild();
    CatalogView* view = host.view;
    const int vol1 = indexOf(view, "vol1.zip");
    const CatalogEntry before = *view->model.entries[vol1];
    ASSERT_EQ(std::rename(folder.file("vol1.zip").c_str(), folder.file("第1巻.zip").c_str()), 0);
    // Another folder's book of the same name is not this window's.
    view->entryRenamed("/tmp/elsewhere/vol2.zip", "/tmp/elsewhere/x.zip");
    view->entryRenamed(folder.file("vol1.zip"), folder.file("第1巻.zip"));
    EXPECT_GE(indexOf(view, "vol2.zip"), 0);
    ASSERT_EQ(entryName(*view->model.entries[vol1]), "第1巻.zip");
    EXPECT_EQ(view->model.entries[vol1]->thumbWidth, before.thumbWidth);
    // Opened again, the catalog file already names it: nothing is extracted again.
    EXPECT_TRUE(reopenWithoutMonitor());
    const int renamed = indexOf(host.view, "第1巻.zip");
    ASSERT_GE(renamed, 0);
    EXPECT_EQ(host.view->model.entries[renamed]->thumbWidth, before.thumbWidth);
}

TEST_F(CatalogViewTest, RenameRefusesTheOpenBookAndBadNames)
{
    openAndBuild();
    CatalogView* view = host.view;
    view->selectEntry(indexOf(view, "vol2.zip"));
    host.bookPath = folder.file("vol2.zip");
    answers = {{0, ""}, {0, ""}};
    view->beginRename(view->model.selectedIndex);
    view->renameField->value("other.zip");
    view->renameEnding = true;
    view->applyRename();
    EXPECT_EQ(requests.back(), "ERROR|現在開いているのでファイル名の変更はできません");
    EXPECT_TRUE(pathExists(folder.file("vol2.zip")));

    host.bookPath.clear();
    waitFor([&] { return view->renameField == nullptr; });
    view->beginRename(view->model.selectedIndex);
    view->renameField->value("vol2\n.zip");
    view->renameEnding = true;
    view->applyRename();
    EXPECT_EQ(requests.back(), "エラー|このファイル名は使えません");
    EXPECT_TRUE(pathExists(folder.file("vol2.zip")));
    EXPECT_EQ(entryName(*view->model.entries[view->model.selectedIndex]), "vol2.zip");
}

TEST_F(CatalogViewTest, RenameToTheCatalogFileNameIsRefusedSoNoSaveReplacesTheArchive)
{
    openAndBuild();
    CatalogView* view = host.view;
    const std::vector<unsigned char> before = readFile(folder.file("vol2.zip"));
    for (const char* name : {"_$mekuri.bin", "_$MEKURI.BIN"}) {
        waitFor([&] { return view->renameField == nullptr; });
        view->selectEntry(indexOf(view, "vol2.zip"));
        answers = {{0, ""}};
        view->beginRename(view->model.selectedIndex);
        view->renameField->value(name);
        view->renameEnding = true;
        view->applyRename();
        EXPECT_EQ(requests.back(), "エラー|このファイル名は使えません") << name;
    }
    // The catalog is saved over its own name: the archive must still be there afterwards.
    view->model.modified = true;
    ASSERT_TRUE(saveCatalog(view->model, nullptr));
    EXPECT_EQ(readFile(folder.file("vol2.zip")), before);
    EXPECT_EQ(entryName(*view->model.entries[indexOf(view, "vol2.zip")]), "vol2.zip");
}

TEST_F(CatalogViewTest, RenameOntoAnExistingArchiveReplacesNothing)
{
    openAndBuild();
    CatalogView* view = host.view;
    const std::vector<unsigned char> before1 = readFile(folder.file("vol1.zip"));
    const std::vector<unsigned char> before2 = readFile(folder.file("vol2.zip"));
    view->selectEntry(indexOf(view, "vol1.zip"));
    view->beginRename(view->model.selectedIndex);
    view->renameField->value("vol2.zip");
    view->renameEnding = true;
    view->applyRename();
    // Both files are as they were, and the entry keeps its name.
    EXPECT_EQ(readFile(folder.file("vol1.zip")), before1);
    EXPECT_EQ(readFile(folder.file("vol2.zip")), before2);
    EXPECT_EQ(entryName(*view->model.entries[indexOf(view, "vol1.zip")]), "vol1.zip");
}

TEST_F(CatalogViewTest, SearchBeepsOnEmptyTextThenFindsAndReportsTheEnd)
{
    openAndBuild();
    CatalogView* view = host.view;
    // Empty text first (the dialog stays), then "ZIP", which finds the first zip by name.
    answers = {{0, ""}, {0, "ZIP"}};
    catalogMenu[CATALOG_MENU_SEARCH].do_callback(view, view);
    EXPECT_EQ(view->searchText, "ZIP");
    ASSERT_GE(view->model.selectedIndex, 0);
    EXPECT_EQ(entryName(*view->model.entries[view->model.selectedIndex]), "text.zip");
    view->searchForward();
    EXPECT_EQ(entryName(*view->model.entries[view->model.selectedIndex]), "vol1.zip");
    view->searchForward();
    view->searchForward();
    EXPECT_EQ(requests.back(), "検索|この先に該当するファイルはありません");
    view->searchBackward();
    EXPECT_EQ(entryName(*view->model.entries[view->model.selectedIndex]), "vol1.zip");
}

TEST_F(CatalogViewTest, LayoutFollowsTheWindowWidthAndCapsThePageHeight)
{
    openAndBuild();
    CatalogView* view = host.view;
    view->size(170, 400);
    EXPECT_EQ(view->columns(), 1);
    view->size(319, 400);
    EXPECT_EQ(view->columns(), 1);
    view->size(320, 400);
    EXPECT_EQ(view->columns(), 2);
    view->size(620, 400);
    EXPECT_EQ(view->columns(), 4);
    for (int i = 0; i < 996; ++i)
        view->model.entries.push_back(catalogtest::makeEntry("x" + std::to_string(i), 1, 1));
    view->layoutPage();
    EXPECT_EQ(view->page()->h(), 32743);
    // One notch down scrolls one row; the page's end stops it.
    Fl::wait(0.05);
    const int before = view->scrollArea()->yposition();
    view->handleWheel(-120);
    EXPECT_EQ(view->scrollArea()->yposition(), before + 180);
    view->selectEntry(999);
    EXPECT_LE(view->scrollArea()->yposition(), 32743 - view->scrollArea()->h() + 4);
    view->model.entries.resize(4);
    view->model.selectedIndex = -1;
    view->layoutPage();
}

TEST_F(CatalogViewTest, WheelEndsAnOpenRenameInsteadOfScrolling)
{
    openAndBuild();
    CatalogView* view = host.view;
    view->selectEntry(0);
    view->beginRename(0);
    ASSERT_TRUE(view->renameOpen());
    EXPECT_EQ(view->handleWheel(-120), 1);
    EXPECT_FALSE(view->renameOpen());
    EXPECT_TRUE(waitFor([&] { return view->renameField == nullptr; }));
    EXPECT_TRUE(pathExists(folder.file(entryName(*view->model.entries[0]))));
}

TEST_F(CatalogViewTest, ClosingTheFrameAsksTheMainWindowToClose)
{
    host.main = new Fl_Window(200, 100, "main");
    host.main->show();
    openAndBuild();
    CatalogView* view = host.view;
    view->do_callback(); // the window manager's close button
    EXPECT_FALSE(view->shown());
    waitFor([&] { return host.closeRequests > 0; }, 2);
    EXPECT_EQ(host.closeRequests, 1);
    // "閉じる" of the catalog leaves the main window alone.
    host.closeCatalog();
    openAndBuild();
    catalogMenu[CATALOG_MENU_CLOSE].do_callback(host.view, host.view);
    EXPECT_FALSE(host.view);
    waitFor([] { return false; }, 0.3);
    EXPECT_EQ(host.closeRequests, 1);
}

} // namespace

namespace {

// A key press as the toolkit delivers it to the window when no child used it.
int pressKey(CatalogView* view, int key)
{
    Fl::e_keysym = key;
    return view->handle(FL_KEYBOARD);
}

TEST_F(CatalogViewTest, FunctionKeysRenameAndSearch)
{
    openAndBuild();
    CatalogView* view = host.view;
    view->selectEntry(-1);
    EXPECT_EQ(pressKey(view, FL_F + 2), 1);
    EXPECT_FALSE(view->renameField); // nothing selected: nothing to rename
    view->selectEntry(indexOf(view, "vol2.zip"));
    pressKey(view, FL_F + 2);
    ASSERT_TRUE(view->renameField);
    EXPECT_STREQ(view->renameField->value(), "vol2.zip");
    view->endRenameWithoutApplying();
    ASSERT_TRUE(waitFor([&] { return view->renameField == nullptr; }));

    view->searchText = "*[0-9].zip";
    view->searchMode = 1;
    view->searchPosition = -1;
    pressKey(view, FL_F + 3);
    EXPECT_EQ(entryName(*view->model.entries[view->model.selectedIndex]), "vol1.zip");
    pressKey(view, FL_F + 4);
    EXPECT_EQ(requests.back(), "検索|この前に該当するファイルはありません");
}

TEST_F(CatalogViewTest, SortingKeepsTheSelectedArchiveSelected)
{
    openAndBuild();
    CatalogView* view = host.view;
    view->selectEntry(indexOf(view, "book.lzh"));
    view->sortBy(kSortBySize);
    ASSERT_GE(view->model.selectedIndex, 0);
    EXPECT_EQ(entryName(*view->model.entries[view->model.selectedIndex]), "book.lzh");
    EXPECT_EQ(view->model.selectedIndex, 0); // the largest archive comes first
    EXPECT_EQ(entryName(*view->model.entries.back()), "text.zip");
}

} // namespace

namespace {

TEST_F(CatalogViewTest, TabAppliesAndMovesTheRenameToTheNextEntry)
{
    openAndBuild();
    CatalogView* view = host.view;
    const int first = indexOf(view, "vol1.zip");
    view->selectEntry(first);
    view->beginRename(first);
    view->renameField->value("tab1.zip");
    Fl::e_keysym = FL_Tab;
    Fl::e_state = 0;
    EXPECT_EQ(view->renameField->handle(FL_KEYBOARD), 1);
    EXPECT_TRUE(pathExists(folder.file("tab1.zip")));
    EXPECT_EQ(view->model.selectedIndex, first + 1);
    // The next rename starts from a timer, on the next entry's name.
    ASSERT_TRUE(waitFor([&] { return view->renameOpen(); }, 2));
    EXPECT_STREQ(view->renameField->value(), "vol2.zip");
    // Tab on the last entry applies and starts nothing more.
    ASSERT_EQ(view->model.selectedIndex, static_cast<int>(view->model.entries.size()) - 1);
    view->renameField->value("tab2.zip");
    view->renameField->handle(FL_KEYBOARD);
    EXPECT_TRUE(pathExists(folder.file("tab2.zip")));
    ASSERT_TRUE(waitFor([&] { return view->renameField == nullptr; }, 2));
    waitFor([] { return false; }, 0.2);
    EXPECT_FALSE(view->renameField);
    EXPECT_TRUE(view->model.modified);
}

} // namespace
