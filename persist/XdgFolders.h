#pragma once

#include <string>

// Where the program keeps what lasts between runs, by the XDG base directory rules: settings in
// $XDG_CONFIG_HOME/mekuri/ (default ~/.config/mekuri/), reading positions and recent books in
// $XDG_STATE_HOME/mekuri/ (default ~/.local/state/mekuri/). A variable that is unset, empty or
// not an absolute path is ignored, as the rules say. The environment is read at each call;
// any thread, as long as nobody changes the environment meanwhile.

// The folder for a base variable: "$VAR/mekuri" when VAR holds an absolute path, else
// "$HOME/`homeDefault`/mekuri" (HOME, or the user database when HOME is not absolute). Empty
// when there is no home either: nothing can be kept then.
std::string xdgProgramFolder(const char* variable, const char* homeDefault);

// $XDG_CONFIG_HOME/mekuri (or ~/.config/mekuri); empty when there is no such place.
std::string configFolder();
// $XDG_STATE_HOME/mekuri (or ~/.local/state/mekuri); empty when there is no such place.
std::string stateFolder();

// The files themselves: "settings" in the config folder, "positions" and "recent" in the state
// folder. Empty when the folder is.
std::string settingsFile();
std::string positionsFile();
std::string recentFile();
