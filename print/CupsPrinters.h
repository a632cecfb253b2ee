#pragma once

#include <string>
#include <utility>
#include <vector>

#include "print/DeviceMode.h"

// The printers of the CUPS server the program talks to (the default server, or the one
// CUPS_SERVER names) and their settings. Every call asks the server afresh. UI thread only.

// The printers the server lists, in its order. `serverAnswered` is false when no server
// could be reached; `error` then holds the reason.
struct PrinterList {
    bool serverAnswered = false;
    std::vector<std::string> names;
    std::string error;
};
PrinterList listPrinters();

// The server's default printer, else the first printer listed; empty when there is none.
// Traces "(CUPS) default printer=%s\n" or "no default printer: %s\n".
std::string getDefaultPrinter();

// The printer's default settings with `orientation`: its default media with size and margins
// (A4 without margins when it names none), colour 2 when it can print colour, its default
// resolution (600 dpi when none), its default duplex. Throws PrintException 2673 when the
// printer is unknown, 2680 when its attributes cannot be read.
DeviceMode readPrinterDefaults(const std::string& name, int orientation);

// One paper the printer takes, sizes and margins in hundredths of a millimetre.
struct MediaChoice {
    std::string name;  // PWG media name, "iso_a4_210x297mm"
    std::string label; // shown in the dialog: "A4", "A4 (フチなし)", or the name
    int width = 0;
    int length = 0;
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

// What the printer settings dialog offers for one printer.
struct PrinterCapabilities {
    std::vector<MediaChoice> media;
    bool colourSupported = false;
    std::vector<std::string> sides;               // IPP "sides" keywords
    std::vector<std::pair<int, int>> resolutions; // dots per inch, across × along
};

// Reads the choices of `name`. Throws PrintException `location` when the printer is unknown
// or its attributes cannot be read.
PrinterCapabilities readPrinterCapabilities(const std::string& name, int location);

// Dialog text for an IPP "sides" keyword ("片面", "両面 (長辺とじ)", "両面 (短辺とじ)").
std::string sidesLabel(const std::string& keyword);
