#pragma once

#include <string>

#include "print/CupsPrinters.h"
#include "print/DeviceMode.h"

// The printer settings dialog's choices and its working copy of a settings record. OK stores
// the copy (applyPrinterProperties), Cancel drops the object and nothing changes.
class PrinterPropertiesEdit {
  public:
    PrinterPropertiesEdit(std::string printer, DeviceMode start, PrinterCapabilities caps);

    const std::string& printer() const { return printer_; }
    const PrinterCapabilities& capabilities() const { return caps_; }
    const DeviceMode& mode() const { return mode_; }

    // The current choice in each list, -1 when the record's value is not offered.
    int mediaIndex() const;
    int sidesIndex() const;
    int resolutionIndex() const;

    // Changes the copy; false (and nothing changed) for an index or value not offered.
    bool chooseMedia(int index);
    bool chooseSides(int index);
    bool chooseResolution(int index);
    bool chooseColour(int color); // 1 monochrome, 2 colour (only when the printer has it)
    bool chooseOrientation(int orientation);

  private:
    std::string printer_;
    DeviceMode mode_;
    PrinterCapabilities caps_;
};
