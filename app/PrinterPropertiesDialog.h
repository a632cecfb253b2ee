#pragma once

class PrinterPropertiesEdit;

// The printer settings dialog "印刷設定" (the print dialog's "プロパティ"): paper, orientation,
// colour, duplex and resolution of one printer, chosen among what the printer offers, made in
// `edit`'s working copy. Returns true on OK; on Cancel the caller drops the copy. The dialog
// seam answers it first (PrintDialogAnswer.h gives the answer's text); a refused answer counts
// as Cancel. Modal; UI thread only.
bool runPrinterPropertiesDialog(PrinterPropertiesEdit& edit);
