#pragma once

#include <string>

// The settings record of one printer, the program's "device mode": the paper (media) with its
// size and unprintable margins, orientation, colour, resolution and duplex. It is filled from
// the printer's defaults (CupsPrinters.h), edited by the orientation radios and the printer
// settings dialog, and turned into the geometry of a print job here. Plain value; any thread.
struct DeviceMode {
    std::string printerName; // printer the record belongs to; empty: no record yet
    std::string mediaName;   // IPP/PWG media name, such as "iso_a4_210x297mm"
    // Paper size and margins in hundredths of a millimetre, the paper held upright.
    int paperWidth = 0;
    int paperLength = 0;
    int marginLeft = 0;
    int marginRight = 0;
    int marginTop = 0;
    int marginBottom = 0;
    int orientation = 1;          // 1 portrait, 2 landscape
    int color = 1;                // 1 monochrome, 2 colour (any other value is shown as a number)
    int xResolution = 600;        // dots per inch across the upright paper
    int yResolution = 600;        // dots per inch along it
    bool resolutionNamed = false; // the printer named it; else 600 dpi is assumed
    std::string duplex = "one-sided"; // IPP "sides" keyword

    bool empty() const { return printerName.empty(); }

    // The Windows paper code of the media for trace lines (9 A4, 1 Letter, 13 B5 …), 0 when
    // the media has none.
    int paperSizeCode() const;

    // The sheet as printed, turned for landscape (the upright paper's top edge to the left), in
    // printer dots: the whole sheet, the printable area's origin, and its size. Device pixel
    // (0, 0) of a print job is the printable area's top-left corner. Never negative.
    int horizontalDpi() const;
    int verticalDpi() const;
    int physicalWidth() const;
    int physicalHeight() const;
    int offsetX() const;
    int offsetY() const;
    int printableWidth() const;
    int printableHeight() const;

    // Sheet size and printable origin in the same turned frame, hundredths of a millimetre.
    int sheetWidthMm100() const;
    int sheetHeightMm100() const;
    int leftMarginMm100() const;
    int topMarginMm100() const;
};

// Dots covered by `mm100` hundredths of a millimetre at `dpi`, truncated; 0 for negatives.
int mm100ToDots(long long mm100, int dpi);
