#pragma once

class Fl_Button;
class Fl_Window;

// Shows `dialog` modally and runs the event loop until it is hidden, or until a shut-down from
// outside is asked for (the dialog then closes as if cancelled; it does not open at all when
// one was asked for before). UI thread only.
void runModal(Fl_Window* dialog);

// Shows `dialog` modally until `ok` or `cancel` is pressed or the dialog is closed; true when it
// ended with `ok`. UI thread only.
bool runOkCancel(Fl_Window* dialog, Fl_Button* ok, Fl_Button* cancel);
