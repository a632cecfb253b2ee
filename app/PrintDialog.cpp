#include "app/PrintDialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Multiline_Output.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Window.H>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/CachePageSource.h"
#include "app/Mekuri.h"
#include "app/PreviewBox.h"
#include "app/PrintDialogAnswer.h"
#include "app/PrintDialogWidgets.h"
#include "app/PrintJobGuard.h"
#include "app/PrinterPropertiesDialog.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/UiHooks.h"
#include "print/PrintJob.h"
#include "print/PrintSequence.h"
#include "print/PrinterSettings.h"

namespace {

const char* const kTitle = "印刷";

PrintDialogWidgets& W = printDialogWidgets;

Mekuri* owner(void* data)
{
    return static_cast<Mekuri*>(data);
}

// Activates or deactivates one part of the dialog, traced for the tests, and redraws the whole
// window: the parts have no background of their own to paint over their old look.
void setActive(Fl_Widget* widget, bool active, const char* name)
{
    if (active)
        widget->activate();
    else
        widget->deactivate();
    debugPrint("print dialog: %s %s\n", name, active ? "active" : "inactive");
    if (W.window)
        W.window->redraw();
}

void updatePageField()
{
    setActive(W.pageSpec, W.range[2]->value() != 0, "pageSpec");
}

void updateLayoutOptions()
{
    const bool twoUp = W.layout[0]->value() == 0;
    setActive(W.firstPageAlone, twoUp, "firstPageAlone");
    setActive(W.booklet, twoUp, "booklet");
}

void updateBinarisationGroup(Mekuri* w)
{
    setActive(W.binarisation, binarisationGroupActive(w->printSettings, W.binarise->value() != 0),
              "binarisationGroup");
}

void updateNupGroup()
{
    setActive(W.nupGroup, W.dither->value() > 0, "nupGroup");
}

void showOrientation(int orientation)
{
    (orientation == 1 ? W.portrait : W.landscape)->setonly();
}

void showInfo(Mekuri* w)
{
    if (const std::optional<std::string> text = showPrinterInfo(w->printSettings))
        W.info->value(text->c_str());
}

void redrawPreview()
{
    W.preview->redraw();
}

// Selects the printer choice's item named `name`; false when there is none.
bool selectPrinter(const std::string& name)
{
    for (int i = 0; i < W.printer->size() - 1; ++i) {
        const char* label = W.printer->menu()[i].label();
        if (label && name == label) {
            W.printer->value(i);
            return true;
        }
    }
    return false;
}

// After the printer or its record changed: the parts that depend on them.
void showPrinter(Mekuri* w)
{
    updateBinarisationGroup(w);
    showOrientation(w->printSettings.paperOrientation);
    showInfo(w);
}

void printer_cb(Fl_Widget*, void* data)
{
    Mekuri* w = owner(data);
    const Fl_Menu_Item* item = W.printer->mvalue();
    if (!item || !item->label())
        return;
    if (printerChosen(w->printSettings, item->label()))
        showPrinter(w);
    redrawPreview();
}

void properties_cb(Fl_Widget*, void* data)
{
    Mekuri* w = owner(data);
    const Fl_Menu_Item* item = W.printer->mvalue();
    const std::string name = item && item->label() ? item->label() : w->printSettings.printerName;
    std::unique_ptr<PrinterPropertiesEdit> edit = editPrinterProperties(w->printSettings, name);
    if (!edit)
        return;
    if (runPrinterPropertiesDialog(*edit) && W.window) {
        applyPrinterProperties(w->printSettings, *edit);
        selectPrinter(w->printSettings.printerName);
        showPrinter(w);
    }
    if (W.window)
        redrawPreview();
}

void range_cb(Fl_Widget*, void*)
{
    updatePageField();
    redrawPreview();
}

void layout_cb(Fl_Widget*, void*)
{
    updateLayoutOptions();
    redrawPreview();
}

void preview_cb(Fl_Widget*, void*)
{
    redrawPreview();
}

void dither_cb(Fl_Widget*, void*)
{
    updateNupGroup();
    redrawPreview();
}

void binarise_cb(Fl_Widget*, void* data)
{
    updateBinarisationGroup(owner(data));
    redrawPreview();
}

void orient(Mekuri* w, int orientation)
{
    setPaperOrientation(w->printSettings, orientation, w);
    showInfo(w);
    redrawPreview();
}

void portrait_cb(Fl_Widget*, void* data)
{
    orient(owner(data), 1);
}

void landscape_cb(Fl_Widget*, void* data)
{
    orient(owner(data), 2);
}

void ok_cb(Fl_Widget*, void* data)
{
    printDialogOk(owner(data));
}

void cancel_cb(Fl_Widget*, void* data)
{
    closePrintDialog(owner(data));
}

int checkedIndex(Fl_Round_Button* const* radios)
{
    for (int i = 0; i < 3; ++i)
        if (radios[i]->value())
            return i;
    return 0;
}

void loadWidgets(Mekuri* w)
{
    const PrintSettings& s = w->printSettings;
    W.range[std::clamp(s.printRange, 0, 2)]->setonly();
    W.layout[std::clamp(s.printLayout, 0, 2)]->setonly();
    W.firstPageAlone->value(s.firstPageAlone);
    W.booklet->value(s.booklet);
    W.pageSpec->value(s.pageSpec.c_str());
    updatePageField();
    updateLayoutOptions();
    W.dither->value(std::clamp(s.ditherMode, 0, 5));
    W.exclude->value(s.excludeColourPages);
    W.binarise->value(s.binariseOnColourPrinter);
    updateBinarisationGroup(w);
    W.nup->value(std::clamp(s.nupIndex, 0, 4));
    updateNupGroup();
    showOrientation(s.paperOrientation);
    W.sheetFilter->value(std::clamp(s.sheetFilter, 0, 2));
}

// The widgets after the printer and its properties, in the order PrintDialogAnswer.h gives.
void setScriptedWidgets(Mekuri* w, const PrintDialogChoices& c)
{
    if (c.range) {
        W.range[*c.range]->setonly();
        range_cb(W.range[*c.range], w);
    }
    if (c.pages) {
        W.pageSpec->value(c.pages->c_str());
        preview_cb(W.pageSpec, w);
    }
    if (c.filter)
        W.sheetFilter->value(*c.filter);
    if (c.layout) {
        W.layout[*c.layout]->setonly();
        layout_cb(W.layout[*c.layout], w);
    }
    if (c.firstPageAlone)
        W.firstPageAlone->value(*c.firstPageAlone);
    if (c.booklet)
        W.booklet->value(*c.booklet);
    if (c.dither) {
        W.dither->value(*c.dither);
        dither_cb(W.dither, w);
    }
    if (c.nup)
        W.nup->value(*c.nup);
    if (c.excludeColourPages)
        W.exclude->value(*c.excludeColourPages);
    if (c.binariseOnColourPrinter) {
        W.binarise->value(*c.binariseOnColourPrinter);
        binarise_cb(W.binarise, w);
    }
    if (c.orientation) {
        showOrientation(*c.orientation);
        orient(w, *c.orientation);
    }
}

// Sets the widgets as a scripted answer says, through the same handlers a user's clicks run,
// then presses its button. A refused answer (or one naming a printer not listed) cancels.
void answerScripted(Mekuri* w, const DialogAnswer& answer)
{
    PrintDialogChoices c;
    std::string error;
    if (!parsePrintDialogChoices(answer.value, c, error) ||
        (c.printer && !selectPrinter(*c.printer))) {
        debugPrint("%s: answer refused: %s\n", kTitle,
                   error.empty() ? "no such printer" : error.c_str());
        closePrintDialog(w);
        return;
    }
    if (c.printer)
        printer_cb(W.printer, w);
    if (c.properties)
        properties_cb(W.properties, w);
    if (!W.window)
        return;
    setScriptedWidgets(w, c);
    if (answer.button == 0)
        printDialogOk(w);
    else
        closePrintDialog(w);
}

// A job decided by ＯＫ, printed once the dialog has gone.
struct PendingJob {
    Mekuri* window = nullptr;
    const ImageOperatorWrapper* book = nullptr; // the book the sequence was made for
    std::unique_ptr<PrintJob> job;
};

bool sameBook(const Mekuri& w, const ImageOperatorWrapper* book)
{
    return w.bookOpen && w.book.get() == book;
}

// The pages of the book a job was decided for, counted when the job begins. Should that book be
// gone when a sheet asks for a page (a command that replaced it without asking
// refusedWhilePrinting first), the job is cancelled rather than printing another book's pages
// or blank sheets.
class JobPageSource : public PrintPageSource {
  public:
    JobPageSource(Mekuri& window, const ImageOperatorWrapper* book)
        : window_(window), book_(book), pages_(window), pageCount_(pages_.pageCount())
    {
    }

    int pageCount() const override { return pageCount_; }

    std::unique_ptr<PrintPage> fetch(int page) override
    {
        if (!sameBook(window_, book_)) {
            debugPrint("print: the book was closed during the job\n");
            cancelRunningPrintJob();
            return nullptr;
        }
        return pages_.fetch(page);
    }

  private:
    Mekuri& window_;
    const ImageOperatorWrapper* book_;
    CachePageSource pages_;
    int pageCount_;
};

void startPrintJob(void* data)
{
    const std::unique_ptr<PendingJob> pending(static_cast<PendingJob*>(data));
    pumpEvents(); // the dialog disappears before the first sheet
    Mekuri* w = pending->window;
    if (!sameBook(*w, pending->book)) {
        debugPrint("print: the book was closed before printing began\n");
        return;
    }
    JobPageSource source(*w, pending->book);
    pending->job->run(source, w);
}

} // namespace

PrintSettings dialogSettings(const Mekuri& w)
{
    PrintSettings s = w.printSettings;
    if (!w.printDialog || !W.window)
        return s;
    s.printRange = checkedIndex(W.range);
    s.printLayout = checkedIndex(W.layout);
    s.firstPageAlone = W.firstPageAlone->value() != 0;
    s.booklet = W.booklet->value() != 0;
    s.pageSpec = W.pageSpec->value();
    s.ditherMode = std::max(0, W.dither->value());
    s.nupIndex = std::max(0, W.nup->value());
    s.paperOrientation = W.portrait->value() ? 1 : 2;
    s.sheetFilter = std::max(0, W.sheetFilter->value());
    s.excludeColourPages = W.exclude->value() != 0;
    s.binariseOnColourPrinter = W.binarise->value() != 0;
    return s;
}

void print_cb(Fl_Widget*, void* window)
{
    showPrintDialog(static_cast<Mekuri*>(window));
}

void showPrintDialog(Mekuri* w)
{
    if (!w || !w->bookOpen || refusedWhilePrinting())
        return;
    closePrintDialog(w);
    if (!preparePrintDialog(w->printSettings, w->printerNames, w))
        return;
    w->printDialog =
        buildPrintDialog(w, PrintDialogCallbacks{printer_cb, properties_cb, range_cb, preview_cb,
                                                 layout_cb, dither_cb, binarise_cb, portrait_cb,
                                                 landscape_cb, ok_cb, cancel_cb});
    for (const std::string& name : w->printerNames)
        addChoiceItem(*W.printer, name);
    selectPrinter(w->printSettings.printerName);
    loadWidgets(w);
    showInfo(w);

    DialogRequest request;
    request.title = kTitle;
    request.buttons = {"ＯＫ", "キャンセル"};
    request.value = encodePrintDialogChoices(w->printSettings);
    DialogAnswer answer;
    if (answeredBySeam(request, answer)) {
        answerScripted(w, answer);
        return;
    }
    Fl_Window* d = w->printDialog;
    d->position(std::max(0, w->x() + (w->w() - d->w()) / 2),
                std::max(0, w->y() + (w->h() - d->h()) / 2));
    d->set_modal();
    d->show();
}

void printDialogOk(Mekuri* w)
{
    if (!w || !w->bookOpen || !w->printDialog)
        return;
    const PrintSettings s = dialogSettings(*w);
    // From here on the job has its own settings, binding and pages, and holds off the commands
    // that would change the book before it begins.
    auto pending = std::make_unique<PendingJob>();
    pending->window = w;
    pending->book = w->book.get();
    pending->job = std::make_unique<PrintJob>(
        s, buildPrintSequence(s, w->pageCount(), w->currentPage, w->spreadShift),
        w->binding == RIGHT_BINDING);
    w->printSettings = s;
    closePrintDialog(w);
    if (!pending->job->accepted()) {
        refusedWhilePrinting();
        return;
    }
    Fl::add_timeout(0.0, startPrintJob, pending.release());
}

void closePrintDialog(Mekuri* w)
{
    if (!w || !w->printDialog)
        return;
    Fl_Window* dialog = w->printDialog;
    w->printDialog = nullptr;
    // What ＯＫ stored, or the printer, its properties and the orientation changed at once.
    w->lasting.keepPrintSettings(w->printSettings);
    W = PrintDialogWidgets();
    dialog->hide();
    // The dialog may be closing from inside one of its own callbacks.
    Fl::delete_widget(dialog);
}
