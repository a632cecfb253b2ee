#include "ToolkitHooks.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>

#include <fontconfig/fontconfig.h>

#include <string>
#include <thread>

#include "Mekuri.h"
#include "ZoomIcons.h"
#include "platform/Dialogs.h"
#include "platform/ShutdownRequest.h"
#include "platform/UiHooks.h"

namespace {

std::thread::id uiThread;

int showToolkitBox(const DialogRequest& request)
{
    fl_message_title(request.title.c_str());
    const auto& b = request.buttons;
    if (request.icon == BoxIcon::Program) {
        // The program's own icon in place of the toolkit's "i".
        Fl_Widget* icon = fl_message_icon();
        const char* label = icon->label();
        icon->label("");
        icon->image(windowIcon());
        fl_message("%s", request.text.c_str());
        icon->image(nullptr);
        icon->label(label);
        return 0;
    }
    if (b.size() <= 1) {
        if (request.icon == BoxIcon::Information || request.icon == BoxIcon::Plain)
            fl_message("%s", request.text.c_str());
        else
            fl_alert("%s", request.text.c_str());
        return 0;
    }
    // fl_choice lays its buttons out right to left.
    if (b.size() == 2)
        return 1 - fl_choice("%s", b[1].c_str(), b[0].c_str(), nullptr, request.text.c_str());
    const int chosen =
        fl_choice("%s", b[2].c_str(), b[1].c_str(), b[0].c_str(), request.text.c_str());
    return 2 - chosen;
}

// The way out of a box: its last button.
int cancelAnswer(const DialogRequest& request)
{
    return request.buttons.empty() ? 0 : static_cast<int>(request.buttons.size()) - 1;
}

int showBox(const DialogRequest& request)
{
    // A box handed over by the worker may arrive after a shut-down from outside began.
    if (shuttingDown())
        return cancelAnswer(request);
    const int answer = showToolkitBox(request);
    // The shut-down hides an open box; the toolkit then reports a stale answer.
    return shuttingDown() ? cancelAnswer(request) : answer;
}

void showLater(void* data)
{
    auto* request = static_cast<DialogRequest*>(data);
    showBox(*request);
    delete request;
}

bool fontInstalled(const char* family)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    if (!pattern)
        return false;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    bool found = false;
    if (match) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
            found = std::string(reinterpret_cast<const char*>(name)) == family;
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

void installToolkitHooks()
{
    uiThread = std::this_thread::get_id();
    setMessageBoxPresenter([](const void*, const DialogRequest& request) {
        if (std::this_thread::get_id() != uiThread) {
            // A worker must not wait for the UI thread: hand over a copy and go on.
            Fl::awake(showLater, new DialogRequest(request));
            return 0;
        }
        return showBox(request);
    });
    setEventPump([] { Fl::check(); });
    setBusyCursorHook([](bool busy) {
        if (mainWindow)
            mainWindow->cursor(busy ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
    });
}

const char* japaneseFontName()
{
    // A leading blank keeps the toolkit from reading a first letter I, B or P as a style.
    if (fontInstalled("IPAGothic"))
        return " IPAGothic";
    if (fontInstalled("Noto Sans CJK JP"))
        return " Noto Sans CJK JP";
    return "";
}
