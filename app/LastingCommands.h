#pragma once

#include <FL/Fl_Widget.H>

#include "persist/ViewerOptions.h"

class Mekuri;

// What the main window keeps between runs, wired to its menus: the options read at start-up,
// the resume toggle, and what an ending program saves. The settings file and the reading
// memory themselves are the window's `lasting` and `memory`. UI thread only.

// Start-up, once the main menu is prepared and before the worker starts: reduction quality,
// the resume and name-order toggles (with their check marks) and the print settings as `start`
// and the settings file give them; the reading memory handed to the model and the recent
// books' submenu built.
void applyLastingOptions(Mekuri* window, const ViewerOptions& start);

// "前回の位置から開く": the toggle's mark decides, traced as "前回の位置から開く %d" and saved.
void resume_cb(Fl_Widget* widget, void* data);

// Saves the name order naturalNameOrder() gives now as the lasting setting (the "数字順に並べる"
// toggle calls it once the order has changed); a save only when it differs from the file's.
void keepNameOrder(Mekuri* window);

// Saves what this run changed and has not saved yet: the toggles (the name order read from
// naturalNameOrder()), the reduction quality and the print settings. Draws nothing and shows no
// box, so that it may run when the display has gone.
void keepSettingsAtExit(Mekuri* window);
