#pragma once

#include <FL/Fl_Widget.H>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A library the program is built with, and its version.
struct LibraryVersion {
    std::string name;
    std::string version;
};

// The libraries of this build, with the versions linked at run time where they can be asked.
std::vector<LibraryVersion> linkedLibraries();

// The About box's text: name and version, what the program is, the libraries, the loaded
// plug-ins, and the cache figures in units of 1,024,000 bytes.
std::string aboutText(const std::vector<LibraryVersion>& libraries, const std::string& plugins,
                      uint64_t cacheUsed, uint32_t cacheMax);

// The help file next to the program file: its name with ".chm" if that exists, else ".html";
// empty when neither exists.
std::string helpFilePath(const std::string& programPath);

void about_cb(Fl_Widget* widget, void* data);
void help_cb(Fl_Widget* widget, void* data);
