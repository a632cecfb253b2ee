#include "app/PrinterPropertiesDialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Window.H>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ModalDialog.h"
#include "app/PrintDialogAnswer.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "print/PrinterSettings.h"

namespace {

const char* const kTitle = "印刷設定";

// Adds an item with exactly `text` (add() would read '/', '&', '_' and '|' in it).
void addItem(Fl_Choice& choice, const std::string& text)
{
    const int index = choice.add("x");
    choice.replace(index, text.c_str());
}

Fl_Choice* labelledChoice(int y, const char* label)
{
    auto* choice = new Fl_Choice(90, y, 250, 22, label);
    choice->labelsize(12);
    choice->textsize(12);
    return choice;
}

struct PropertiesWidgets {
    Fl_Choice* media = nullptr;
    Fl_Round_Button* portrait = nullptr;
    Fl_Round_Button* landscape = nullptr;
    Fl_Choice* colour = nullptr;
    Fl_Choice* sides = nullptr;
    Fl_Choice* resolution = nullptr;
};

void fill(PropertiesWidgets& ww, const PrinterPropertiesEdit& edit)
{
    const PrinterCapabilities& caps = edit.capabilities();
    for (const MediaChoice& m : caps.media)
        addItem(*ww.media, m.label);
    ww.media->value(edit.mediaIndex());
    (edit.mode().orientation == 1 ? ww.portrait : ww.landscape)->setonly();
    addItem(*ww.colour, "モノクロ");
    if (caps.colourSupported)
        addItem(*ww.colour, "カラー");
    ww.colour->value(edit.mode().color == 2 && caps.colourSupported ? 1 : 0);
    for (const std::string& s : caps.sides)
        addItem(*ww.sides, sidesLabel(s));
    ww.sides->value(edit.sidesIndex());
    for (const auto& r : caps.resolutions)
        addItem(*ww.resolution,
                std::to_string(r.first) + " x " + std::to_string(r.second) + " dpi");
    ww.resolution->value(edit.resolutionIndex());
    // size() counts the list's end marker: a list of one choice or none offers no choice.
    for (Fl_Choice* c : {ww.media, ww.colour, ww.sides, ww.resolution})
        if (c->size() <= 2)
            c->deactivate();
}

// Takes the widgets into the copy; a list left where it started (or showing nothing because
// the record's value is not offered) is not touched.
void take(const PropertiesWidgets& ww, PrinterPropertiesEdit& edit)
{
    if (ww.media->value() >= 0 && ww.media->value() != edit.mediaIndex())
        edit.chooseMedia(ww.media->value());
    if (ww.sides->value() >= 0 && ww.sides->value() != edit.sidesIndex())
        edit.chooseSides(ww.sides->value());
    if (ww.resolution->value() >= 0 && ww.resolution->value() != edit.resolutionIndex())
        edit.chooseResolution(ww.resolution->value());
    edit.chooseColour(ww.colour->value() == 1 ? 2 : 1);
    edit.chooseOrientation(ww.portrait->value() ? 1 : 2);
}

bool runWindow(PrinterPropertiesEdit& edit)
{
    Fl_Window dialog(360, 250, kTitle);
    Fl_Box printer(15, 10, 330, 22);
    const std::string printerText = "プリンタ: " + edit.printer();
    printer.copy_label(printerText.c_str());
    printer.labelsize(12);
    printer.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    PropertiesWidgets ww;
    ww.media = labelledChoice(42, "用紙: ");
    Fl_Box orientationLabel(20, 72, 70, 22, "向き: ");
    orientationLabel.labelsize(12);
    orientationLabel.align(FL_ALIGN_RIGHT | FL_ALIGN_INSIDE);
    Fl_Group orientation(90, 72, 160, 22);
    ww.portrait = new Fl_Round_Button(90, 72, 60, 22, "縦");
    ww.landscape = new Fl_Round_Button(160, 72, 60, 22, "横");
    for (Fl_Round_Button* b : {ww.portrait, ww.landscape}) {
        b->type(FL_RADIO_BUTTON);
        b->labelsize(12);
    }
    orientation.end();
    ww.colour = labelledChoice(102, "色: ");
    ww.sides = labelledChoice(132, "両面: ");
    ww.resolution = labelledChoice(162, "解像度: ");
    Fl_Return_Button ok(150, 210, 90, 25, "OK");
    Fl_Button cancel(250, 210, 90, 25, "キャンセル");
    for (Fl_Button* b : {static_cast<Fl_Button*>(&ok), &cancel})
        b->labelsize(12);
    dialog.end();
    fill(ww, edit);
    if (const Fl_Window* over = Fl::modal())
        dialog.position(std::max(0, over->x() + (over->w() - dialog.w()) / 2),
                        std::max(0, over->y() + (over->h() - dialog.h()) / 2));

    struct Outcome {
        Fl_Window* dialog;
        bool accepted;
    } outcome{&dialog, false};
    ok.callback(
        [](Fl_Widget*, void* data) {
            auto* o = static_cast<Outcome*>(data);
            o->accepted = true;
            o->dialog->hide();
        },
        &outcome);
    cancel.callback([](Fl_Widget*, void* data) { static_cast<Outcome*>(data)->dialog->hide(); },
                    &outcome);
    runModal(&dialog);
    if (outcome.accepted)
        take(ww, edit);
    return outcome.accepted;
}

} // namespace

bool runPrinterPropertiesDialog(PrinterPropertiesEdit& edit)
{
    DialogRequest request;
    request.title = kTitle;
    request.text = edit.printer();
    request.buttons = {"OK", "キャンセル"};
    DialogAnswer answer;
    if (!answeredBySeam(request, answer))
        return runWindow(edit);
    if (answer.button != 0)
        return false;
    PrinterPropertiesChoices choices;
    std::string error;
    if (!parsePrinterPropertiesChoices(answer.value, choices, error) ||
        !applyPrinterPropertiesChoices(edit, choices, error)) {
        debugPrint("%s: answer refused: %s\n", kTitle, error.c_str());
        return false;
    }
    return true;
}
