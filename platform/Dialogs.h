#pragma once

#include <functional>
#include <string>
#include <vector>

// The one seam every message box and dialog of the program passes through. Before a box or
// dialog is shown, its request is traced ("dialog [title] text") and offered to the seam:
// a responder installed by a test, or the answer file named by MEKURI_DIALOG_ANSWERS (one
// line per answer: title, TAB, button index, TAB, field text; each line answers the first
// request with that title and is then used up). When the seam answers, nothing is shown.
// The file is read again at every request for the whole lines appended since, so a test may
// add answers while the program runs; a line "withdraw" drops every answer before it that is
// still unused (an answer prepared for a box that never came must not answer a later one).
// Only a regular file is read (a pipe or a device is refused with a trace), and a line longer
// than 64 KiB is skipped.

enum class BoxIcon { Plain, Information, Warning, Error, Program };

struct DialogRequest {
    std::string title;
    std::string text;                 // message, or the prompt of a dialog
    std::vector<std::string> buttons; // in the order the box shows them
    std::string value;                // initial text of the dialog's field, if any
    BoxIcon icon = BoxIcon::Plain;
};

struct DialogAnswer {
    int button = 0;    // index into the request's buttons
    std::string value; // the field's text
};

// Returns true when it answered the request. Any thread may reach it.
using DialogResponder = std::function<bool(const DialogRequest&, DialogAnswer&)>;
void setDialogResponder(DialogResponder responder);

// Traces the request and asks the responder, then the answer file. Any thread.
bool answeredBySeam(const DialogRequest& request, DialogAnswer& answer);

// Shows a real message box; installed by the program's toolkit layer at start-up. It may be
// called from any thread and must not block a thread other than the UI thread.
using MessageBoxPresenter = std::function<int(const void* owner, const DialogRequest&)>;
void setMessageBoxPresenter(MessageBoxPresenter presenter);

// A modal message box: the seam first, else the presenter. Returns the index of the button
// chosen (0 when nothing could be shown). `buttons` empty means a single "OK". While the
// program is being shut down from outside nothing is shown: the box is traced and answered
// with its last button, the way out.
int messageBox(const void* owner, const std::string& title, const std::string& text, BoxIcon icon,
               std::vector<std::string> buttons = {});
