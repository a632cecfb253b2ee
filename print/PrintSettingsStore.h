#pragma once

#include "persist/Settings.h"
#include "print/PrintSettings.h"

// The print options and the chosen printer's settings record as settings-file keys ("print.*"
// and "devmode.*"), so that they last between runs. UI thread only, like Settings.

// Stores every field of `print` into `settings`; an empty settings record removes the
// record's keys.
void storePrintSettings(const PrintSettings& print, Settings& settings);

// The print options kept in `settings`: a missing value keeps PrintSettings' default, a bad one
// too after Settings' trace. The settings record is restored as saved when every field is
// present and in range and the margins leave room on the paper, and it belongs to the printer
// kept; otherwise it is left empty with a trace, and the first print dialog loads the
// printer's defaults. A printer that has gone since is the print dialog's to replace.
PrintSettings loadPrintSettings(const Settings& settings);
