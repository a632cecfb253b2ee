#pragma once

#include <FL/Fl_Widget.H>

#include "print/PrintSettings.h"

class Mekuri;

// The print command and its dialog "印刷": printer, range, sheet filter, layout, binarisation,
// orientation and a live preview of the first sheet. The dialog is rebuilt for every command
// from the main window's PrintSettings; printer, properties and orientation changes act on
// the settings at once, the other widgets only through ＯＫ, which stores them and prints.
// The dialog seam is asked first (title "印刷"): a scripted answer sets the widgets as its
// text says (PrintDialogAnswer.h) and presses ＯＫ (button 0) or キャンセル; without one the
// dialog is a real modal window. UI thread only.

// The "印刷 ..." menu item; `window` is the main window.
void print_cb(Fl_Widget* widget, void* window);

// Opens the dialog over `window` when a book is open, after any earlier dialog is deleted;
// refused with the box of refusedWhilePrinting (PrintJobGuard.h) while a print job exists.
// Without an installed printer (or a print server) the error box
// "プリンタがインストールされていません\n" is shown instead.
void showPrintDialog(Mekuri* window);

// ＯＫ: stores the widgets into the main window's PrintSettings, deletes the dialog and prints
// the sequence they give once the dialog has gone (from a zero-delay timeout). The job keeps
// copies of the settings, the binding and the sequence taken here (PrintJob.h).
void printDialogOk(Mekuri* window);

// キャンセル (also the window's close button and Escape): deletes the dialog; the settings
// keep only what printer, properties and orientation changed.
void closePrintDialog(Mekuri* window);

// The settings as the open dialog's widgets show them (printer and record from the main
// window's settings); the main window's settings when no dialog is open.
PrintSettings dialogSettings(const Mekuri& window);
