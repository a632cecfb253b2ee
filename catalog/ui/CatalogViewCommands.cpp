// The catalog window's commands: searching its entries, opening the chosen one, choosing
// another folder.
#include "CatalogView.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Radio_Round_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <string>

#include "CatalogCommands.h"
#include "CatalogHost.h"
#include "catalog/CatalogSearch.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"
#include "platform/ShutdownRequest.h"

namespace {

const char* const kSearchTitle = "ファイル名検索";
const char* const kSubstringLabel = "部分文字列マッチ";
const char* const kPatternLabel = "マッチングパターン";

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
