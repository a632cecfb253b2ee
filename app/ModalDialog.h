#pragma once

class Fl_Window;

// Shows `dialog` modally and runs the event loop until it is hidden. UI thread only.
void runModal(Fl_Window* dialog);
