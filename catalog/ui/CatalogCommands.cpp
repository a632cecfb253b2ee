#include "CatalogCommands.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Radio_Round_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <unistd.h>

#include <climits>
#include <vector>

#include "CatalogView.h"
#include "catalog/CatalogSearch.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "platform/ShutdownRequest.h"
#include "views/FileProperties.h"

namespace {

const char* const kSearchTitle = "ファイル名検索";
const char* const kSubstringLabel = "部分文字列マッチ";
const char* const kPatternLabel = "マッチングパターン";

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

// The search dialog's window: field, two radio buttons, OK and cancel.
struct SearchDialog {
    Fl_Window window{340, 200, kSearchTitle};
    Fl_Box prompt{14, 12, 140, 18, "検索文字列"};
    Fl_Input field{14, 32, 304, 26};
    Fl_Box method{14, 70, 100, 18, "検索方法："};
    Fl_Radio_Round_Button substring{40, 92, 200, 22, kSubstringLabel};
    Fl_Radio_Round_Button pattern{40, 118, 200, 22, kPatternLabel};
    Fl_Return_Button ok{58, 160, 100, 26, "OK"};
    Fl_Button cancel{170, 160, 100, 26, "ｷｬﾝｾﾙ"};
    bool accepted = false;

    SearchDialog()
    {
        prompt.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
        method.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
        field.maximum_size(static_cast<int>(kSearchTextMax));
        window.end();
        ok.callback(okCb, this);
        cancel.callback([](Fl_Widget*, void* d) { static_cast<SearchDialog*>(d)->window.hide(); },
                        this);
    }

    static void okCb(Fl_Widget*, void* data)
    {
        auto* d = static_cast<SearchDialog*>(data);
        if (!*d->field.value()) {
            fl_beep();
            d->field.take_focus();
            return;
        }
        d->accepted = true;
        d->window.hide();
    }
};

// Runs the real dialog; true on OK with `text` and `mode` filled.
bool runSearchWindow(Fl_Window* over, std::string& text, int& mode)
{
    SearchDialog dialog;
    dialog.field.value(text.c_str());
    dialog.field.position(dialog.field.size(), 0);
    (mode == kSearchPattern ? dialog.pattern : dialog.substring).setonly();
    if (over)
        dialog.window.position(over->x() + (over->w() - dialog.window.w()) / 2, over->y() + 60);
    // Once the program is being ended from outside, the dialog counts as cancelled.
    if (shuttingDown())
        return false;
    dialog.window.set_modal();
    dialog.window.show();
    dialog.field.take_focus();
    while (dialog.window.shown() && !shuttingDown())
        Fl::wait();
    dialog.window.hide();
    if (!dialog.accepted || shuttingDown())
        return false;
    text = dialog.field.value();
    mode = dialog.pattern.value() ? kSearchPattern : kSearchSubstring;
    return true;
}

// The scripted form of the dialog: the answer's text, then an optional second answer naming
// the search method. An empty text beeps and asks again, as the dialog stays open.
bool runSearchScript(const DialogAnswer& first, std::string& text, int& mode)
{
    DialogRequest request;
    request.title = kSearchTitle;
    request.text = "検索文字列";
    request.buttons = {"OK", "ｷｬﾝｾﾙ"};
    request.value = text;
    DialogAnswer answer = first;
    while (answer.button == 0 && answer.value.empty()) {
        fl_beep();
        if (!answeredBySeam(request, answer))
            return false;
    }
    if (answer.button != 0)
        return false;
    text = answer.value;
    DialogRequest method;
    method.title = kSearchTitle;
    method.text = "検索方法：";
    method.buttons = {"OK"};
    method.value = mode == kSearchPattern ? kPatternLabel : kSubstringLabel;
    DialogAnswer chosen;
    if (answeredBySeam(method, chosen))
        mode = chosen.value == kPatternLabel ? kSearchPattern : kSearchSubstring;
    return true;
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

void CatalogView::searchDialog()
{
    if (!shown())
        return;
    std::string text = searchText;
    int mode = searchMode;
    DialogRequest request;
    request.title = kSearchTitle;
    request.text = "検索文字列";
    request.buttons = {"OK", "ｷｬﾝｾﾙ"};
    request.value = searchText;
    DialogAnswer answer;
    const bool accepted = answeredBySeam(request, answer) ? runSearchScript(answer, text, mode)
                                                          : runSearchWindow(this, text, mode);
    if (!accepted)
        return;
    searchText = searchTextFromField(text);
    searchMode = mode;
    searchPosition = -1;
    searchForward();
}

void CatalogView::searchForward()
{
    if (!shown())
        return;
    const int hit = ::searchForward(model.entries, searchText, searchMode, searchPosition);
    if (hit == kSearchNotRun)
        return;
    if (hit < 0) {
        messageBox(nullptr, "検索", "この先に該当するファイルはありません", BoxIcon::Information);
        return;
    }
    searchPosition = hit;
    selectEntry(hit);
}

void CatalogView::searchBackward()
{
    if (!shown())
        return;
    const int hit = ::searchBackward(model.entries, searchText, searchMode, searchPosition);
    if (hit == kSearchNotRun)
        return;
    if (hit < 0) {
        messageBox(nullptr, "検索", "この前に該当するファイルはありません", BoxIcon::Information);
        return;
    }
    searchPosition = hit;
    selectEntry(hit);
}

void CatalogView::openSelected()
{
    Fl_Window* main = host.hostWindow();
    const int selected = model.selectedIndex;
    if (!main || !main->shown() || selected < 0 ||
        selected >= static_cast<int>(model.entries.size()))
        return;
    host.openBook(joinPath(model.folderPath, entryName(*model.entries[selected])));
}

void CatalogView::chooseFolder()
{
    if (!shown())
        return;
    std::string folder;
    if (browseForFolder(this, folder))
        openFolder(folder);
}
