#pragma once

#include <functional>

// Hooks through which code below the views reaches the toolkit. The program installs them at
// start-up; without them (unit tests, tools) they do nothing. UI thread only.

// Lets the toolkit process pending events once (Fl::check), so long listings and extractions
// keep the windows alive.
void setEventPump(std::function<void()> pump);
void pumpEvents();

// Shows (true) or restores (false) the wait cursor around long plug-in calls.
void setBusyCursorHook(std::function<void(bool)> hook);
void showBusyCursor(bool busy);
