#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "print/PrintSettings.h"
#include "print/PrinterPropertiesEdit.h"

// The printer operations of the print dialog on the main window's PrintSettings: choosing the
// printer, loading its defaults, the orientation, the information text and the printer
// settings dialog ("印刷設定") as data. Failures are PrintExceptions caught here and traced as
// "print exception! %s (at %d)"; the settings keep what was already changed. UI thread only;
// `owner` is the window error boxes belong to.

// Lists the printers for a new print dialog into `printers` and makes sure a printer is
// chosen (the default on first use, or when the one chosen before has gone) with its
// settings loaded. False, after the error box "プリンタがインストールされていません\n", when
// no printer is installed or no print server answers; false after a trace when no printer
// can be chosen.
bool preparePrintDialog(PrintSettings& settings, std::vector<std::string>& printers,
                        const void* owner);

// Fills printerDevmode with the defaults of printerName, orientation from paperOrientation.
// On failure the record is left as it was.
void loadDefaultDevmode(PrintSettings& settings);

// The printer choice handler: traces "Mekuri::printerChosen(%s) called\n"; for a printer
// other than the current one, makes it current, loads its defaults (keeping the orientation)
// and takes paperOrientation from the record. Returns true when the printer changed: the
// dialog then updates the binarisation group, the orientation radio and the info text.
bool printerChosen(PrintSettings& settings, const std::string& name);

// Whether the dialog's binarisation group is active: a printer without colour, or
// "カラープリンタであっても2値化して印刷する" checked (`binariseOnColourPrinter`).
bool binarisationGroupActive(const PrintSettings& settings, bool binariseOnColourPrinter);

// The orientation radios: paperOrientation = orientation (1 or 2), and the record turned.
void setPaperOrientation(PrintSettings& settings, int orientation, const void* owner);

// The printer information text: "プリンタの解像度: W x H\n色: モノクロ|カラー|<number>" with
// the printable area in dots; none when there is no settings record (leave the text as is).
std::optional<std::string> showPrinterInfo(const PrintSettings& settings);

// The "プロパティ" button: the dialog's data for `name`, starting from printerDevmode when it
// is the current printer, else from its defaults. Null, after the trace, when the printer
// cannot be read (location 2713).
std::unique_ptr<PrinterPropertiesEdit> editPrinterProperties(const PrintSettings& settings,
                                                             const std::string& name);

// OK in the printer settings dialog: the edited printer and record become current, traced as
// "変更DEVMODE %d %d %dx%d %dx%d\n", and paperOrientation follows the record.
void applyPrinterProperties(PrintSettings& settings, const PrinterPropertiesEdit& edit);
