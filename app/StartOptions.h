#pragma once

#include <string>
#include <vector>

#include "views/ViewerState.h"

// What the command line asks for.
struct StartOptions {
    int binding = RIGHT_BINDING;
    int spreadShift = 1;
    bool bindingGiven = false;     // "-right" or "-left" was given: it decides this run's binding
    bool spreadShiftGiven = false; // "-1" or "-2" was given
    bool hasPath = false;
    std::string path;
};

// Reads the options from the arguments after the program name. "-right", "-left", "-1" and
// "-2" are looked for in that order, each compared exactly; the first match of each is removed
// from `args`. The first argument left, if any, is the path; further ones are ignored.
StartOptions parseOptions(std::vector<std::string>& args);

// The main window's size: 80 % of the work area, truncated.
void mainWindowSize(int workW, int workH, int& w, int& h);
