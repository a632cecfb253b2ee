#include "RenameCommand.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>

#include <memory>

#include "Mekuri.h"
#include "ModalDialog.h"
#include "platform/Dialogs.h"

namespace {

const char* const kTitle = "ファイル名を変更";
enum { BUTTON_OK = 0, BUTTON_CANCEL = 1, BUTTON_RESTORE = 2 };

// The dialog window; one press of a button ends one round.
class RenameDialog {
  public:
    explicit RenameDialog(const std::string& initial) : window_(new Fl_Window(360, 100, kTitle))
    {
        input_ = new Fl_Input(10, 15, 340, 24);
        input_->value(initial.c_str());
        input_->maximum_size(255);
        auto* ok = new Fl_Return_Button(10, 60, 80, 25, "OK");
        auto* cancel = new Fl_Button(100, 60, 90, 25, "キャンセル");
        auto* restore = new Fl_Button(200, 60, 150, 25, "元のファイル名に戻す");
        ok->callback(press, this);
        cancel->callback(press, this);
        restore->callback(press, this);
        buttons_[BUTTON_OK] = ok;
        buttons_[BUTTON_CANCEL] = cancel;
        buttons_[BUTTON_RESTORE] = restore;
        window_->end();
        window_->callback(
            [](Fl_Widget* w, void* self) {
                static_cast<RenameDialog*>(self)->pressed_ = BUTTON_CANCEL;
                w->hide();
            },
            this);
    }

    // Shows the dialog with `text` selected and focused; returns the button pressed.
    int round(const std::string& text, std::string& value)
    {
        input_->value(text.c_str());
        input_->position(input_->size(), 0);
        input_->take_focus();
        pressed_ = BUTTON_CANCEL;
        runModal(window_.get());
        value = input_->value();
        return pressed_;
    }

  private:
    static void press(Fl_Widget* button, void* self)
    {
        auto* dialog = static_cast<RenameDialog*>(self);
        for (int i = 0; i < 3; ++i) {
            if (dialog->buttons_[i] == button)
                dialog->pressed_ = i;
        }
        dialog->window_->hide();
    }

    std::unique_ptr<Fl_Window> window_;
    Fl_Input* input_;
    Fl_Widget* buttons_[3] = {};
    int pressed_ = BUTTON_CANCEL;
};

} // namespace

void rename_cb(Fl_Widget*, void*)
{
    Mekuri* w = mainWindow;
    if (!w || !w->bookOpen)
        return;
    DialogRequest request;
    request.title = kTitle;
    request.buttons = {"OK", "キャンセル", "元のファイル名に戻す"};
    request.value = w->newFileName;
    DialogAnswer answer;
    // Answers from the seam (tests) drive the whole dialog; a real window otherwise.
    const bool scripted = answeredBySeam(request, answer);
    std::unique_ptr<RenameDialog> dialog;
    if (!scripted)
        dialog = std::make_unique<RenameDialog>(w->newFileName);
    std::string text = w->newFileName;
    for (;;) {
        int button;
        std::string value;
        if (scripted) {
            button = answer.button;
            value = answer.value;
        } else {
            button = dialog->round(text, value);
        }
        if (button == BUTTON_CANCEL)
            return;
        if (button == BUTTON_RESTORE) {
            text = w->bookFileName;
        } else if (w->requestRename(value)) {
            return;
        } else {
            text = value;
        }
        if (scripted) {
            request.value = text;
            if (!answeredBySeam(request, answer))
                return; // the script ran out: the dialog counts as cancelled
        }
    }
}
