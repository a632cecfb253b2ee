#include "ZoomCommands.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

#include <cctype>
#include <cstdio>
#include <string>

#include "MainMenu.h"
#include "Mekuri.h"
#include "ModalDialog.h"
#include "pipeline/CacheManager.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "reading/ZoomMath.h"
#include "views/MekuriScroll.h"
#include "views/MihirakiPages.h"

namespace {

// A field that takes typed digits only (its initial text may still hold a decimal point).
class DigitInput : public Fl_Input {
  public:
    using Fl_Input::Fl_Input;
    int handle(int event) override
    {
        if (event == FL_KEYBOARD) {
            const char* text = Fl::event_text();
            const bool printable =
                Fl::event_length() > 0 && !std::iscntrl(static_cast<unsigned char>(text[0]));
            if (printable && !(Fl::event_state() & (FL_CTRL | FL_ALT)) &&
                !std::isdigit(static_cast<unsigned char>(text[0])))
                return 1; // swallowed
        }
        return Fl_Input::handle(event);
    }
};

// The "ズーム" dialog: returns true on OK with the field's text.
bool askZoomText(const std::string& initial, std::string& text)
{
    DialogRequest request;
    request.title = "ズーム";
    request.text = "%値を入力してください";
    request.buttons = {"OK", "ｷｬﾝｾﾙ"};
    request.value = initial;
    DialogAnswer answer;
    if (answeredBySeam(request, answer)) {
        text = answer.value;
        return answer.button == 0;
    }
    Fl_Window dialog(240, 110, "ズーム");
    Fl_Box prompt(10, 8, 220, 20, "%値を入力してください");
    prompt.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    DigitInput field(20, 35, 150, 24);
    field.value(initial.c_str());
    Fl_Box percent(172, 35, 20, 24, "%");
    Fl_Return_Button ok(30, 75, 80, 25, "OK");
    Fl_Button cancel(130, 75, 80, 25, "ｷｬﾝｾﾙ");
    dialog.end();
    field.position(field.size(), 0); // the whole text selected
    field.take_focus();
    const bool accepted = runOkCancel(&dialog, &ok, &cancel);
    text = std::string(field.value()).substr(0, 259);
    return accepted;
}

} // namespace

float calcjustscale(int mode)
{
    Mekuri* w = mainWindow;
    return w->calcjustscale(mode, w->cacheManager, w->areaW(), w->areaH());
}

void zoomPercent_cb(Fl_Widget*, void* percent)
{
    Mekuri* w = mainWindow;
    w->apply(w->setZoom(static_cast<float>(reinterpret_cast<intptr_t>(percent))));
}

void zoomInput_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    char initial[64];
    std::snprintf(initial, sizeof initial, "%.2f", w->zoomPercent);
    std::string text;
    if (!askZoomText(initial, text))
        return;
    debugPrint("return=%s\n", text.c_str());
    w->apply(w->zoomFromText(text));
}

void fit_cb(Fl_Widget*, void* mode)
{
    Mekuri* w = mainWindow;
    w->apply(w->fit(static_cast<int>(reinterpret_cast<intptr_t>(mode)), w->cacheManager, w->areaW(),
                    w->areaH(), w->showNow()));
}

void quality_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    w->highQualityReduction = !w->highQualityReduction;
    debugPrint("縮小品質 %d\n", w->highQualityReduction);
    w->lasting.keepOption(kHighQualityReductionKey, w->highQualityReduction);
    w->cacheManager.invalidate_scaled_entries();
    w->pages->redraw();
}

void beginWheelZoom()
{
    Mekuri* w = mainWindow;
    const float whole = calcjustscale(RSZ_H2V1);
    if (!(whole > 0))
        return;
    w->pages->mode = MODE_ZOOM;
    bool added[2] = {false, false};
    const float height = calcjustscale(RSZ_H0V1);
    w->zoomStepCount = buildWheelZoomSteps(w->zoomPercent, whole * 100.0f, height * 100.0f,
                                           w->zoomSteps, w->zoomStepIndex, added);
    if (added[0])
        debugPrint("justsize added\n");
    if (added[1])
        debugPrint("justsize2 added\n");
    w->zoomAnchorX = Fl::event_x();
    w->zoomAnchorY = Fl::event_y();
    const float zoom = w->zoomSteps[w->zoomStepIndex];
    w->pages->drawZoomPreview(w->zoomAnchorX, w->zoomAnchorY, zoom);
    debugPrint("begin scaling i=%d scale=%d\n", w->zoomStepIndex, static_cast<int>(zoom));
}

void stepWheelZoom(int direction)
{
    Mekuri* w = mainWindow;
    if (w->pages->mode != MODE_ZOOM)
        return;
    int i = w->zoomStepIndex + direction;
    if (i < 0)
        i = 0;
    if (i > w->zoomStepCount - 1)
        i = w->zoomStepCount - 1;
    if (i == w->zoomStepIndex)
        return;
    w->zoomStepIndex = i;
    w->pages->drawZoomPreview(w->zoomAnchorX, w->zoomAnchorY, w->zoomSteps[i]);
    debugPrint(" ... scaling i=%d scale=%d\n", i, static_cast<int>(w->zoomSteps[i]));
}
