#include "CatalogCommands.h"

#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Window.H>

#include <unistd.h>

#include <climits>
#include <vector>

#include "CatalogView.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "views/FileProperties.h"

namespace {

CatalogView* viewOf(void* data)
{
    return static_cast<CatalogView*>(data);
}

void choose_cb(Fl_Widget*, void* view)
{
    CatalogView::Running running(viewOf(view));
    viewOf(view)->chooseFolder();
}

void quit_catalog_cb(Fl_Widget*, void* view)
{
    CatalogView::Running running(viewOf(view));
    viewOf(view)->host.quit();
}

void search_cb(Fl_Widget*, void* view)
{
    CatalogView::Running running(viewOf(view));
    viewOf(view)->searchDialog();
}

void backward_cb(Fl_Widget*, void* view)
{
    CatalogView::Running running(viewOf(view));
    viewOf(view)->searchBackward();
}

void forward_cb(Fl_Widget*, void* view)
{
    CatalogView::Running running(viewOf(view));
    viewOf(view)->searchForward();
}

void sort_cb(Fl_Widget* bar, void* view)
{
    CatalogView::Running running(viewOf(view));
    // The item picked tells the order: the three radio items are consecutive.
    const Fl_Menu_Item* item = static_cast<Fl_Menu_*>(bar)->mvalue();
    const Fl_Menu_Item* first = static_cast<Fl_Menu_*>(bar)->menu() + CATALOG_MENU_BY_NAME;
    viewOf(view)->sortBy(static_cast<int>(item - first));
}

void open_selected_cb(Fl_Widget*, void* view)
{
    CatalogView::Running running(viewOf(view));
    viewOf(view)->openSelected();
}

void rename_selected_cb(Fl_Widget*, void* view)
{
    CatalogView* v = viewOf(view);
    CatalogView::Running running(v);
    if (v->model.selectedIndex >= 0)
        v->beginRename(v->model.selectedIndex);
}

void remake_cb(Fl_Widget*, void* view)
{
    CatalogView::Running running(viewOf(view));
    viewOf(view)->remakeThumbnail();
}

// Properties: the file-property window of the selected archive, made afresh each time.
void properties_cb(Fl_Widget*, void* view)
{
    CatalogView* v = viewOf(view);
    CatalogView::Running running(v);
    if (!v->shown())
        return;
    delete v->propertyWindow;
    v->propertyWindow = nullptr;
    const int selected = v->model.selectedIndex;
    if (selected < 0 || selected >= static_cast<int>(v->model.entries.size()))
        return;
    const std::string path = joinPath(v->model.folderPath, v->model.entries[selected]->fileName);
    v->propertyWindow = showFileProperties(path, v, &v->propertyWindow);
}

} // namespace

const Fl_Menu_Item catalogMenu[CATALOG_MENU_SIZE] = {
    {"ﾌｧｲﾙ(&F)", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"ｶﾀﾛｸﾞ(&A)...", FL_ALT + 'a', choose_cb, nullptr, 0, 0, 0, 0, 0},
    {"閉じる(&C)", FL_ALT + 'c', close_catalog_cb, nullptr, 0, 0, 0, 0, 0},
    {"終了(&X)", FL_ALT + 'q', quit_catalog_cb, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"検索", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"検索(&F)...", FL_CTRL + 'f', search_cb, nullptr, 0, 0, 0, 0, 0},
    {"前へ(F4)", 0, backward_cb, nullptr, 0, 0, 0, 0, 0},
    {"次へ(F3)", 0, forward_cb, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"ｿｰﾄ(&S)", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"名前順(&N)", 0, sort_cb, nullptr, FL_MENU_RADIO | FL_MENU_VALUE, 0, 0, 0, 0},
    {"日付順(&D)", 0, sort_cb, nullptr, FL_MENU_RADIO, 0, 0, 0, 0},
    {"サイズ順(&S)", 0, sort_cb, nullptr, FL_MENU_RADIO, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
};

const Fl_Menu_Item catalogPopupMenu[CATALOG_POPUP_SIZE] = {
    {"ｷｬﾝｾﾙ(&C)", 0, nullptr, nullptr, FL_MENU_DIVIDER, 0, 0, 0, 0},
    {"開く(&O)", 0, open_selected_cb, nullptr, 0, 0, 0, 0, 0},
    {"ﾌｧｲﾙ名変更(&R)", 0, rename_selected_cb, nullptr, 0, 0, 0, 0, 0},
    {"ｻﾑﾈｲﾙ再作成(&T)", 0, remake_cb, nullptr, 0, 0, 0, 0, 0},
    {"ﾌﾟﾛﾊﾟﾃｨ(&P)...", 0, properties_cb, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
};

bool browseForFolder(Fl_Window* owner, std::string& path)
{
    (void)owner; // the toolkit's chooser places itself
    const char* title = "フォルダを選んでください";
    std::vector<char> cwd(PATH_MAX + 1, '\0');
    const std::string current = getcwd(cwd.data(), cwd.size()) ? cwd.data() : ".";
    std::string chosen;
    DialogRequest request;
    request.title = title;
    request.buttons = {"OK", "ｷｬﾝｾﾙ"};
    request.value = current;
    DialogAnswer answer;
    if (answeredBySeam(request, answer)) {
        if (answer.button != 0 || answer.value.empty())
            return false;
        chosen = answer.value;
    } else {
        Fl_Native_File_Chooser chooser;
        chooser.title(title);
        chooser.type(Fl_Native_File_Chooser::BROWSE_DIRECTORY);
        chooser.directory(current.c_str());
        if (chooser.show() != 0 || !chooser.filename() || !*chooser.filename())
            return false;
        chosen = chooser.filename();
    }
    chosen = fullPath(chosen);
    if (chosen.size() > 1 && chosen.back() == '/')
        chosen.pop_back();
    if (chdir(chosen.c_str()) != 0) {
        debugPrint("chdir(%s) failed\n", chosen.c_str());
        return false;
    }
    path = chosen;
    return true;
}

void close_catalog_cb(Fl_Widget*, void* view)
{
    debugPrint("close_catalog_cb()\n");
    if (!view)
        return;
    CatalogView::Running running(viewOf(view));
    viewOf(view)->host.closeCatalog();
}
